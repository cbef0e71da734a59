#!/usr/bin/env bash
# Measures the tests by random mutants of what a change touched: every source
# file changed since BASE (default: the last commit's parent), the program's
# in the release build with its tests, the pages' in the wasm build with the
# browser tests. MUTATE names the mutation tool (a mutate.py that makes
# mutants itself, --random N); N is the number of mutants per build.
# Usage: tests/mutation.sh [BASE] [N]   (after cmake --workflow --preset release and --preset wasm)
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-HEAD~1}
count=${2:-40}
mutate=${MUTATE:-../shared/tools/mutate.py}
[ -f "$mutate" ] || { echo "mutation.sh: no mutation tool at $mutate: set MUTATE" >&2; exit 1; }

native=()
page=()
while IFS= read -r file; do
  case "$file" in
    src/text/hidden_code_points.hpp) ;;  # generated from the Unicode database, and regenerated in CI
    src/page/*.js | src/class/*.js | src/page/page_main.cpp | src/class/class_page_main.cpp) page+=("$file") ;;
    src/*.cpp | src/*.hpp | src/page/assemble.py) native+=("$file") ;;
  esac
done < <(git diff --name-only --diff-filter=AM "$base" -- src)

if ((${#native[@]})); then
  echo "== ${#native[@]} files of the program: $count mutants, the release build's tests"
  python3 "$mutate" --random "$count" "${native[@]}" --build build/release
fi
if ((${#page[@]})); then
  echo "== ${#page[@]} files of the pages: $count mutants, the wasm build's tests"
  NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs" python3 "$mutate" --random "$count" "${page[@]}" --build build/wasm \
    --test "ctest --test-dir build/wasm -j2 --timeout 300 -R (page|class)"
fi
((${#native[@]} + ${#page[@]})) || echo "mutation.sh: no source file changed since $base"
