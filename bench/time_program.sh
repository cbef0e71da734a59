#!/usr/bin/env bash
# Times the whole program answering the largest sample size, with /usr/bin/time.
# Usage: bench/time_program.sh [program] [runs]
set -euo pipefail
program="${1:-build/release/die-fairness}"
runs="${2:-7}"
if [ ! -x /usr/bin/time ]; then
  echo "time_program.sh: needs GNU time as /usr/bin/time (Debian: apt-get install time)" >&2
  exit 1
fi
for ((run = 1; run <= runs; ++run)); do
  printf '2147483647\n0\n' | /usr/bin/time -f '%e %M' "$program" 2>&1 >/dev/null | tail -n 1
done | sort -n | awk -v runs="$runs" '
  { seconds[NR] = $1; kib[NR] = $2 }
  END {
    median = seconds[int((NR + 1) / 2)]
    printf "whole program, 2147483647 rolls: median %.3f s wall of %d runs (%.3f to %.3f s), peak %d KiB\n",
           median, runs, seconds[1], seconds[NR], kib[NR]
  }'
