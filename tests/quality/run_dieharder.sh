#!/usr/bin/env bash
# Runs the whole dieharder battery (about half an hour) on the draw source's
# 15-bit draws for one seed, and keeps the report and its summary beside this
# script. Usage: tests/quality/run_dieharder.sh [seed]
set -euo pipefail
cd "$(dirname "$0")/../.."
seed="${1:-20261208}"
command -v dieharder >/dev/null ||
  { echo "run_dieharder.sh needs dieharder: install the Debian package dieharder (apt-get install dieharder)" >&2; exit 1; }
cmake --preset release >/dev/null
cmake --build --preset release --target draw_dump >/dev/null

report=tests/quality/dieharder-report.txt
# -g 200: raw bits from standard input; -a: every test, at its default sizes.
{ build/release/draw_dump "$seed" || true; } | dieharder -a -g 200 | tee "$report"
{
  echo "dieharder -a on the draw source's 15-bit draws, seed $seed, $(date -u +%Y-%m-%d)"
  for verdict in PASSED WEAK FAILED; do
    printf '%s: %s\n' "$verdict" "$(grep -c "|  *$verdict" "$report" || true)"
  done
} | tee tests/quality/dieharder-summary.txt
