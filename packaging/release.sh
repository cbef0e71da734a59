#!/usr/bin/env bash
# Makes a release: builds and tests the browser page, the teacher's class page,
# the Debian package and the Windows zip, and writes them into DIR with
# SHA256SUMS. It writes nothing else: DIR must be absent, empty, or hold an
# earlier release of die-fairness and nothing more; it is filled beside itself
# and swapped in whole, so a failed build leaves it as it was. Any machine
# with the same Debian packages makes the same bytes, whatever its time zone,
# locale, umask, path or user: every time in the files is the commit's, in UTC.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: packaging/release.sh [--without-tests] [DIR]

Builds die-fairness-VERSION.html, die-fairness-class-VERSION.html, the
teacher's die-fairness-lesson-VERSION.html and die-fairness-record-sheet-VERSION.html,
die-fairness_VERSION_amd64.deb and die-fairness-VERSION-win64.zip from this
checkout's last commit, with their tests, and writes them with SHA256SUMS into
DIR (default: dist). DIR must be absent, empty, or hold an earlier release and
nothing else; the checkout itself, or a folder holding it, is refused. A work
tree with uncommitted changes is refused: commit them first.

  --without-tests  build the same files without building or running the tests
  -h, --help       show this and exit

Outside a git checkout of die-fairness set SOURCE_DATE_EPOCH (the seconds
since 1970 that every file's times are set to) and, to name the source in
every file, DIE_FAIRNESS_COMMIT.
USAGE
}

fail() {
  echo "release.sh: $*" >&2
  exit 1
}

with_tests=1
target=""
while (($#)); do
  case "$1" in
    -h | --help) usage; exit 0 ;;
    --without-tests) with_tests=0 ;;
    --) shift; [ $# -le 1 ] || fail "one DIR at most (see --help)"; target=${1:-}; break ;;
    -*) fail "unknown option $1 (see --help)" ;;
    *) [ -z "$target" ] || fail "one DIR at most, not '$target' and '$1' (see --help)"; target=$1 ;;
  esac
  shift
done
target=${target:-dist}

source_dir=$(cd "${0%/*}/.." && pwd -P)
cd "$source_dir"

# Each tool that this release uses, and the Debian package that brings it.
missing=0
need() {
  if ! eval "$1" >/dev/null 2>&1; then
    echo "release.sh: $2 is missing: install the Debian package $3 (apt-get install $3)" >&2
    missing=1
  fi
}
need 'command -v cmake' cmake cmake
need 'command -v g++' g++ g++
need 'command -v dpkg-shlibdeps' dpkg-shlibdeps dpkg-dev
need 'command -v gzip' gzip gzip
need 'command -v emcc' emcc emscripten
need 'command -v x86_64-w64-mingw32-g++-posix' x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
need 'command -v x86_64-w64-mingw32-windres' x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
need 'test -f /usr/share/doc/mingw-w64-common/copyright' "MinGW-w64's license" mingw-w64-common
need 'command -v strip-nondeterminism' strip-nondeterminism strip-nondeterminism
need 'command -v sha256sum' sha256sum coreutils
need 'command -v realpath' realpath coreutils
need '/usr/bin/python3 -c "import markdown"' Python-Markdown python3-markdown
if ((with_tests)); then
  need 'test -f /usr/src/googletest/CMakeLists.txt' GoogleTest libgtest-dev
  need 'command -v chromium' chromium chromium
  need 'command -v chromedriver' chromedriver chromium-driver
  need '/usr/bin/python3 -c "import selenium"' 'Python'"'"'s selenium' python3-selenium
  need 'command -v wine' wine wine
fi
((missing == 0)) || exit 1

# DIR, spelt any way (dist, dist/, ./dist//): its parent is where the stage goes.
target=$(realpath -m -- "$target")
[ "$target" != / ] || fail "DIR cannot be /"
case "$source_dir/" in
  "$target"/*) fail "$target holds this checkout, which a release must not replace: name another folder, such as $source_dir/dist" ;;
esac
version=$(sed -n 's/^project(die-fairness VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt's project()"
release_files=("die-fairness-$version.html" "die-fairness-class-$version.html"
  "die-fairness-lesson-$version.html" "die-fairness-record-sheet-$version.html"
  "die-fairness_${version}_amd64.deb" "die-fairness-$version-win64.zip")
# What an earlier release may leave: these names and SHA256SUMS, of any version.
earlier_release='^(die-fairness-(class-|lesson-|record-sheet-)?[0-9.]+\.html|die-fairness_[0-9.]+_amd64\.deb|die-fairness-[0-9.]+-win64\.zip|SHA256SUMS)$'
if [ -e "$target" ] || [ -L "$target" ]; then
  [ -d "$target" ] && [ ! -L "$target" ] || fail "$target is not a folder: name an absent, empty or earlier release's folder"
  while IFS= read -r -d '' entry; do
    name=${entry##*/}
    if ! [[ $name =~ $earlier_release ]] || [ ! -f "$entry" ] || [ -L "$entry" ]; then
      fail "$target holds $name, which no release wrote: name an absent or empty folder, or an earlier release's"
    fi
  done < <(find "$target" -mindepth 1 -maxdepth 1 -print0)
fi

# The source: this checkout's last commit, and nothing uncommitted.
checkout=$(git -C "$source_dir" rev-parse --show-toplevel 2>/dev/null || true)
if [ "$checkout" = "$source_dir" ]; then
  [ -z "$(git status --porcelain --untracked-files=normal)" ] ||
    fail "the work tree has uncommitted changes, which the release would not name: commit them first (git status)"
  : "${SOURCE_DATE_EPOCH:=$(git log -1 --format=%ct)}"
  : "${DIE_FAIRNESS_COMMIT:=$(git rev-parse --short=12 HEAD)}"
else
  # A source tarball, perhaps unpacked inside some other repository: git would answer for that one.
  [ -n "${SOURCE_DATE_EPOCH:-}" ] ||
    fail "$source_dir is not a git checkout of die-fairness: set SOURCE_DATE_EPOCH (seconds since 1970), the same on every machine"
  : "${DIE_FAIRNESS_COMMIT:=}"
fi
[[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH must be a whole number of seconds, not '$SOURCE_DATE_EPOCH'"
export SOURCE_DATE_EPOCH
# Zip members keep their times in local time, and tools print dates in it: UTC.
export TZ=UTC LC_ALL=C.UTF-8
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"  # Emscripten's acorn, as the wasm preset sets it
# The packages' archive members and the files written here get their modes
# from the umask; the packages' contents have fixed ones whatever it is.
umask 022

# The release's own build folders, configured afresh each time with the tests
# on or off as asked: a release with tests builds and runs those of this source.
started=$SECONDS
tests=$( ((with_tests)) && echo ON || echo OFF)
build() {
  local preset=$1 folder=$2
  shift 2
  echo "== release.sh: $preset into $folder, tests $tests"
  cmake --preset "$preset" --fresh -B "$folder" -DDIE_FAIRNESS_BUILD_TESTS="$tests" \
    -DDIE_FAIRNESS_BUILD_BENCH=OFF -DDIE_FAIRNESS_COMMIT="$DIE_FAIRNESS_COMMIT" >/dev/null
  cmake --build "$folder" -j 2
  if ((with_tests)); then
    ctest --test-dir "$folder" -j 2 --output-on-failure --no-tests=error --timeout 900 "$@"
  fi
}
build wasm build/dist/wasm
build package build/dist/package
build mingw build/dist/mingw -LE billions  # under wine, as its test preset
for folder in build/dist/package build/dist/mingw; do
  (cd "$folder" && cpack --config CPackConfig.cmake >/dev/null)
done
# The zip's extra fields hold the builder's uid and gid: normalised away.
strip-nondeterminism --type zip --timestamp "$SOURCE_DATE_EPOCH" "build/dist/mingw/die-fairness-$version-win64.zip"

# Filled beside DIR, then swapped in: DIR is never the stage's parent.
parent=${target%/*}
mkdir -p "${parent:-/}"
stage=$(mktemp -d "${parent:-/}/.die-fairness-release-XXXXXX")
old=""
# On any failure DIR is as it was: an earlier release moved aside goes back.
cleanup() {
  if [ -n "$old" ] && [ -d "$old" ] && [ ! -e "$target" ]; then mv -- "$old" "$target"; fi
  rm -rf -- "$stage"
}
trap cleanup EXIT
cp build/dist/wasm/die-fairness.html "$stage/${release_files[0]}"
cp build/dist/wasm/die-fairness-class.html "$stage/${release_files[1]}"
cp build/dist/wasm/die-fairness-lesson.html "$stage/${release_files[2]}"
cp build/dist/wasm/die-fairness-record-sheet.html "$stage/${release_files[3]}"
cp "build/dist/package/${release_files[4]}" "$stage/"
cp "build/dist/mingw/${release_files[5]}" "$stage/"
(cd "$stage" && sha256sum -- "${release_files[@]}" > SHA256SUMS)
chmod 0644 "$stage"/*
chmod 0755 "$stage"
if [ -d "$target" ]; then
  old="$stage.old"
  mv -- "$target" "$old"
fi
mv -- "$stage" "$target"
trap - EXIT
[ -z "$old" ] || rm -rf -- "$old"

echo "release.sh: die-fairness $version${DIE_FAIRNESS_COMMIT:+ (commit $DIE_FAIRNESS_COMMIT)} in $((SECONDS - started)) s, into $target:"
(cd "$target" && for file in "${release_files[@]}" SHA256SUMS; do
  printf '  %-36s %10s bytes\n' "$file" "$(stat -c %s "$file")"
done)
