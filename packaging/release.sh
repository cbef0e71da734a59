#!/usr/bin/env bash
# Makes a release: builds and tests the browser page, the teacher's class
# page, the Debian package and the Windows zip with their workflows, and
# writes them into DIR (default dist/) with SHA256SUMS, whole or not at all. Any machine with the same
# Debian packages makes the same bytes: the time in every file is the last
# commit's (or SOURCE_DATE_EPOCH's), and modes do not follow the umask.
#
# Usage: packaging/release.sh [--without-tests] [DIR]
# --without-tests builds the same files without building or running the tests
# (CI's second build, which checks that it makes the same bytes).
set -euo pipefail
with_tests=1
if [ "${1:-}" = --without-tests ]; then
  with_tests=0
  shift
fi
target=${1:-dist}
[[ $target == /* ]] || target="$PWD/$target"
source_dir=$(cd "${0%/*}/.." && pwd)
cd "$source_dir"

# Each tool the builds and their tests need, and the Debian package that brings it.
missing=0
need() {
  if ! eval "$1" >/dev/null 2>&1; then
    echo "release.sh: $2 is missing: install the Debian package $3 (apt-get install $3)" >&2
    missing=1
  fi
}
need 'command -v cmake' cmake cmake
need 'command -v g++' g++ g++
need 'test -f /usr/src/googletest/CMakeLists.txt' GoogleTest libgtest-dev
need 'command -v dpkg-shlibdeps' dpkg-shlibdeps dpkg-dev
need 'command -v gzip' gzip gzip
need 'command -v emcc' emcc emscripten
need 'command -v chromium' chromium chromium
need 'command -v chromedriver' chromedriver chromium-driver
need '/usr/bin/python3 -c "import selenium"' 'Python'"'"'s selenium' python3-selenium
need 'command -v x86_64-w64-mingw32-g++-posix' x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
need 'command -v x86_64-w64-mingw32-windres' x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
need 'test -f /usr/share/doc/mingw-w64-common/copyright' "MinGW-w64's license" mingw-w64-common
need 'command -v wine' wine wine
need 'command -v sha256sum' sha256sum coreutils
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  need 'command -v git' git git
fi
((missing == 0)) || exit 1

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null); then
    echo "release.sh: not a git checkout, so the release's time cannot be taken from its last" \
         "commit: set SOURCE_DATE_EPOCH (seconds since 1970), the same on every machine" >&2
    exit 1
  fi
fi
export SOURCE_DATE_EPOCH
# The packages' archive members and the files written here get their modes
# from the umask; the packages' contents have fixed ones whatever it is.
umask 022

version=$(sed -n 's/^project(die-fairness VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release.sh: no version in CMakeLists.txt's project()" >&2; exit 1; }

started=$SECONDS
if ((with_tests)); then
  for workflow in wasm package package-windows; do
    echo "== release.sh: cmake --workflow --preset $workflow"
    cmake --workflow --preset "$workflow"
  done
else
  for preset in wasm package mingw; do
    echo "== release.sh: cmake --preset $preset, without tests"
    cmake --preset "$preset" -DDIE_FAIRNESS_BUILD_TESTS=OFF -DDIE_FAIRNESS_BUILD_BENCH=OFF
    cmake --build --preset "$preset"
  done
  cpack --preset package
  cpack --preset package-windows
fi

# Written beside DIR, then put in its place in one step.
mkdir -p "${target%/*}"
stage=$(mktemp -d "${target%/*}/.release-XXXXXX")
trap 'rm -rf "$stage"' EXIT
cp build/wasm/die-fairness.html "$stage/die-fairness-$version.html"
cp build/wasm/die-fairness-class.html "$stage/die-fairness-class-$version.html"
cp "build/package/die-fairness_${version}_amd64.deb" "$stage/"
cp "build/mingw/die-fairness-$version-win64.zip" "$stage/"
(cd "$stage" && sha256sum -- die-fairness* > SHA256SUMS)
chmod 0644 "$stage"/*
chmod 0755 "$stage"
rm -rf "$target"
mv "$stage" "$target"
trap - EXIT

echo "release.sh: die-fairness $version in $((SECONDS - started)) s, into $target:"
(cd "$target" && for file in *; do printf '  %-36s %10s bytes\n' "$file" "$(stat -c %s "$file")"; done)
