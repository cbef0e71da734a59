#!/usr/bin/env bash
# Builds the benchmarks with GCC and with clang and prints, for each face
# counter and for sample_mean, the median ns per roll at 10^8 rolls of each
# compiler and clang's time over GCC's. The two builds run by turns, so that
# both see the machine alike.
# Usage: bench/compare_compilers.sh [rounds]   (default 5; 0 only builds)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-5}"
for compiler in g++ clang++; do
  cmake -S . -B "build/bench-$compiler" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$compiler" \
    -DDIE_FAIRNESS_BUILD_TESTS=OFF >/dev/null
  cmake --build "build/bench-$compiler" -j 2 --target sample_bench >/dev/null
done
((rounds > 0)) || { echo "built build/bench-g++ and build/bench-clang++"; exit 0; }

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for ((round = 1; round <= rounds; ++round)); do
  for compiler in g++ clang++; do
    "build/bench-$compiler/sample_bench" --benchmark_filter='face_counter|sample_mean_bench/100000000$' \
      --benchmark_min_time=0.3 2>/dev/null |
      awk -v compiler="$compiler" '$NF ~ /^ns_per_roll=/ {
        value = substr($NF, 13); sub(/s$/, "", value); print compiler, $1, value }'
  done
done >"$results"

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'); vector extensions:" \
  "$(grep -m1 '^flags' /proc/cpuinfo | tr ' ' '\n' | grep -E '^(sse2|avx2|avx512f|avx512bw)$' | tr '\n' ' ')"
echo "ns per roll at 10^8 rolls, median of $rounds runs each, taken by turns"
printf "%-32s %10s %10s %12s\n" "" "GCC" "clang" "clang / GCC"
sort -k2,2 -k1,1 -k3,3g "$results" | awk '
  { key = $2 " " $1; values[key] = values[key] " " $3; count[key]++; names[$2] = 1 }
  function median(list, n,    parts) {
    split(substr(list, 2), parts, " ")
    return n % 2 ? parts[(n + 1) / 2] : (parts[n / 2] + parts[n / 2 + 1]) / 2
  }
  END {
    for (name in names) {
      gcc = median(values[name " g++"], count[name " g++"])
      clang = median(values[name " clang++"], count[name " clang++"])
      printf "%-32s %10.4f %10.4f %12.2f\n", name, gcc, clang, clang / gcc
    }
  }' | sort
