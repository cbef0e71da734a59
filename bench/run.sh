#!/usr/bin/env bash
# Builds the release preset, runs the sampling benchmarks (medians of 7
# interleaved repetitions, naive loop included) and times the whole program.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
results=$(mktemp)
build/release/sample_bench --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true | tee "$results"
awk '/_median/ { for (i = 1; i <= NF; ++i) if ($i ~ /^ns_per_roll=/) {
                   value = substr($i, 13); sub(/s$/, "", value); cost[$1] = value } }
     END {
       new = cost["sample_mean_bench/100000000_median"]; naive = cost["naive_loop_bench/100000000_median"]
       if (new > 0) printf "at 10^8 rolls: %.4f ns per roll against %.2f naive, %.0f times faster\n",
                           new, naive, naive / new
     }' "$results"
rm -f "$results"
bench/time_program.sh build/release/die-fairness 7
