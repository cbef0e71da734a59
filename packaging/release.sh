#!/usr/bin/env bash
# Makes a release: builds and tests the browser page, the teacher's class page,
# the Debian package and the Windows zip, and writes them into DIR with
# SHA256SUMS. It writes nothing else and replaces only its own files: DIR must
# be absent, empty, or hold an earlier release of die-fairness and nothing
# more. Every file is built first; then each is written beside its final name
# inside DIR and renamed over it, after DIR is checked again: a folder moved,
# or a file that appeared or changed in it meanwhile, stops the release with
# nothing replaced. DIR keeps its own mode, owner, group and ACL, and the
# files get the user's umask. Any machine with the same Debian packages makes
# the same bytes, whatever its time zone, locale, umask, path or user: every
# time in the files is the commit's, in UTC.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: packaging/release.sh [--without-tests] [--] [DIR]

Builds die-fairness-VERSION.html, die-fairness-class-VERSION.html, the
teacher's die-fairness-lesson-VERSION.html and die-fairness-record-sheet-VERSION.html,
die-fairness_VERSION_amd64.deb and die-fairness-VERSION-win64.zip from this
checkout's last commit, with their tests, and writes them with SHA256SUMS into
DIR (default: dist in the checkout; a relative DIR is taken from the current
folder). DIR must be absent, empty, or hold an earlier release and nothing
else; the checkout itself, or a folder holding it, is refused. Only this
release's files are replaced; an earlier version's files stay. A work tree
with uncommitted changes is refused: commit them first.

  --without-tests  build the same files without building or running the tests
  -h, --help       show this and exit
  --               ends the options: what follows is DIR

Outside a git checkout of die-fairness set SOURCE_DATE_EPOCH (the seconds
since 1970 that every file's times are set to) and, to name the source in
every file, DIE_FAIRNESS_COMMIT. A checkout takes both from its last commit.
USAGE
}

fail() {
  echo "release.sh: $*" >&2
  exit 1
}

with_tests=1
targets=()
options_end=0
for argument; do
  if ((options_end)); then
    targets+=("$argument")
    continue
  fi
  case "$argument" in
    --) options_end=1 ;;
    -h | --help) usage; exit 0 ;;
    --without-tests) with_tests=0 ;;
    -*) fail "unknown option $argument (see --help)" ;;
    *) targets+=("$argument") ;;
  esac
done
((${#targets[@]} <= 1)) || fail "one DIR at most, not $(printf "'%s' " "${targets[@]}")(see --help)"

# Each tool that this release uses, and the Debian package that brings it:
# asked before anything else, so that a missing coreutils is named too.
missing=0
need() {
  if ! eval "$1" >/dev/null 2>&1; then
    echo "release.sh: $2 is missing: install the Debian package $3 (apt-get install $3)" >&2
    missing=1
  fi
}
for tool in realpath sha256sum stat mktemp; do need "command -v $tool" "$tool" coreutils; done
need 'command -v find' find findutils
need 'command -v flock' flock util-linux
need 'command -v cmake' cmake cmake
need 'command -v g++' g++ g++
need 'command -v dpkg-shlibdeps' dpkg-shlibdeps dpkg-dev
need 'command -v gzip' gzip gzip
need 'command -v emcc' emcc emscripten
need 'command -v x86_64-w64-mingw32-g++-posix' x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64
need 'command -v x86_64-w64-mingw32-windres' x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
need 'test -f /usr/share/doc/mingw-w64-common/copyright' "MinGW-w64's license" mingw-w64-common
need 'command -v strip-nondeterminism' strip-nondeterminism strip-nondeterminism
need '/usr/bin/python3 -c "import markdown"' Python-Markdown python3-markdown
if ((with_tests)); then
  need 'test -f /usr/src/googletest/CMakeLists.txt' GoogleTest libgtest-dev
  need 'command -v chromium' chromium chromium
  need 'command -v chromedriver' chromedriver chromium-driver
  need '/usr/bin/python3 -c "import selenium"' 'Python'"'"'s selenium' python3-selenium
  need 'command -v wine' wine wine
fi
((missing == 0)) || exit 1

# The checkout, however the script was started (through a symlink, from any
# folder); DIR as the user named it, from the folder they are in.
script=$(realpath -- "${BASH_SOURCE[0]}")
source_dir=$(cd -- "${script%/*}/.." && pwd -P)
given=${targets[0]-$source_dir/dist}
[ -n "$given" ] || fail "DIR cannot be an empty name"
if [ -L "$given" ] && [ ! -e "$given" ]; then
  fail "$given is a symbolic link to nothing: name a folder"
fi
target=$(realpath -m -- "$given")
[ "$target" != / ] || fail "DIR cannot be /"
case "$source_dir/" in
  "$target"/*) fail "$target holds this checkout, which a release must not replace: name another folder, such as $source_dir/dist" ;;
esac
parent=${target%/*}
parent=${parent:-/}
if [ -e "$target" ]; then
  [ -d "$target" ] || fail "$target is not a folder: name an absent, empty or earlier release's folder"
  [ -w "$target" ] && [ -x "$target" ] || fail "$target cannot be written to: name a folder of yours"
else
  [ -d "$parent" ] || fail "$parent does not exist: make it first, or name a folder in one that does"
  [ -w "$parent" ] && [ -x "$parent" ] || fail "$parent cannot be written to, so $target cannot be made there"
fi
cd "$source_dir"

# What an earlier release may leave: these names and SHA256SUMS, of any version,
# and the stage of a run that was killed.
earlier_release='^(die-fairness-(class-|lesson-|record-sheet-)?[0-9.]+\.html|die-fairness_[0-9.]+_amd64\.deb|die-fairness-[0-9.]+-win64\.zip|SHA256SUMS)$'
stage_pattern='.die-fairness-release-??????'
# Whether an untracked folder holds nothing but releases: no change to the source.
holds_releases_only() {
  local entry
  while IFS= read -r -d '' entry; do
    [ -d "$entry" ] && [[ ${entry##*/} == $stage_pattern ]] && continue
    [[ ${entry##*/} =~ $earlier_release ]] && [ -f "$entry" ] || return 1
  done < <(find "$1" -mindepth 1 -maxdepth 1 -print0)
}
uncommitted() {
  local entry
  while IFS= read -r -d '' entry; do
    case "$entry" in
      '?? '*/) holds_releases_only "${entry#'?? '}" || return 0 ;;
      *) return 0 ;;
    esac
  done < <(git status --porcelain -z --untracked-files=normal)
  return 1
}

# The source: this checkout's last commit, and nothing uncommitted.
if [ -e .git ]; then
  command -v git >/dev/null || fail "git is missing, which a release of a checkout needs: install the Debian package git"
  [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$source_dir" ] ||
    fail "$source_dir holds .git, but git does not take it for a checkout: mend it, or release from a fresh clone"
  # A release's folder in the checkout (dist, or another) is no change to the source.
  ! uncommitted ||
    fail "the work tree has uncommitted changes, which the release would not name: commit them first (git status)"
  commit_time=$(git log -1 --format=%ct)
  commit=$(git rev-parse --short=12 HEAD)
  # A checkout names its own commit and time: another would make other bytes than its commit gives.
  [ "${SOURCE_DATE_EPOCH-$commit_time}" = "$commit_time" ] ||
    fail "SOURCE_DATE_EPOCH is $SOURCE_DATE_EPOCH, but a release of this checkout takes its times from its last commit ($commit_time): unset it"
  [ "${DIE_FAIRNESS_COMMIT-$commit}" = "$commit" ] ||
    fail "DIE_FAIRNESS_COMMIT is $DIE_FAIRNESS_COMMIT, but this checkout is at $commit, which the release names: unset it"
  SOURCE_DATE_EPOCH=$commit_time
  DIE_FAIRNESS_COMMIT=$commit
else
  # A source tarball, perhaps unpacked inside some other repository: git would answer for that one.
  [ -n "${SOURCE_DATE_EPOCH:-}" ] ||
    fail "$source_dir is not a git checkout of die-fairness: set SOURCE_DATE_EPOCH (seconds since 1970), the same on every machine"
  : "${DIE_FAIRNESS_COMMIT:=}"
fi
# Zip members keep their times as dates from 1980, and tools as 32-bit counts.
[[ $SOURCE_DATE_EPOCH =~ ^[1-9][0-9]{0,9}$ ]] && ((SOURCE_DATE_EPOCH >= 315532800 && SOURCE_DATE_EPOCH <= 4294967295)) ||
  fail "SOURCE_DATE_EPOCH must be a whole number of seconds from 315532800 (1980) to 4294967295 (2106), not '$SOURCE_DATE_EPOCH'"
[[ $DIE_FAIRNESS_COMMIT =~ ^[0-9a-f]*$ ]] || fail "DIE_FAIRNESS_COMMIT must be a commit's hexadecimal name, not '$DIE_FAIRNESS_COMMIT'"
export SOURCE_DATE_EPOCH DIE_FAIRNESS_COMMIT

# What would build other bytes than the project's presets: left out, and said.
left_out=()
for name in CC CXX CFLAGS CXXFLAGS CPPFLAGS LDFLAGS CMAKE_TOOLCHAIN_FILE CMAKE_BUILD_TYPE CMAKE_GENERATOR EMCC_CFLAGS; do
  if [ -n "${!name+set}" ]; then
    left_out+=("$name")
    unset "$name"
  fi
done
((${#left_out[@]} == 0)) ||
  echo "release.sh: leaving out ${left_out[*]}: a release builds with the project's own compilers and flags" >&2

# One release at a time from this checkout (its build folders), and into DIR.
# The locks' descriptors are closed for the builds: a server that a test
# leaves running (wine's) must not hold them after this script has ended.
mkdir -p build
exec 8<build
flock -n 8 || fail "another release is being made from this checkout: wait for it to end"
user_umask=$(umask)
made_target=0
if [ ! -e "$target" ]; then
  mkdir -- "$target" 2>/dev/null || fail "$target could not be made: is another release making it?"
  made_target=1
fi
exec 9<"$target"
flock -n 9 || fail "another release is being written into $target: wait for it to end"
identity=$(stat -c '%d:%i' -- "$target")
stage=""
finished=0
# On any failure DIR is as it was: only the stage goes, and DIR itself if this run made it.
cleanup() {
  [ -z "$stage" ] || rm -rf -- "$stage"
  if ((made_target && !finished)) && [ "$(stat -c '%d:%i' -- "$target" 2>/dev/null)" = "$identity" ]; then
    rmdir -- "$target" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# The stage of a run that was killed: under the lock, no other run's.
find "$target" -mindepth 1 -maxdepth 1 -type d -name "$stage_pattern" -exec rm -rf -- {} +
while IFS= read -r -d '' entry; do
  name=${entry##*/}
  if ! [[ $name =~ $earlier_release ]] || [ ! -f "$entry" ] || [ -L "$entry" ]; then
    fail "$target holds $name, which no release wrote: name an absent or empty folder, or an earlier release's"
  fi
done < <(find "$target" -mindepth 1 -maxdepth 1 -print0)
listing() { find "$target" -mindepth 1 -maxdepth 1 ! -name "$stage_pattern" -printf '%f %i %s %T@ %m\n' | LC_ALL=C sort; }
listed=$(listing)

# The release's names, from their one owner.
declare -A names
while read -r key name; do names[$key]=$name; done < <(cmake -P packaging/release_names.cmake)
version=${names[version]:-}
[ -n "$version" ] || fail "packaging/release_names.cmake gave no version"
built=("build/dist/wasm/die-fairness.html:${names[page]}" "build/dist/wasm/die-fairness-class.html:${names[class]}"
  "build/dist/wasm/die-fairness-lesson.html:${names[lesson]}"
  "build/dist/wasm/die-fairness-record-sheet.html:${names[sheet]}"
  "build/dist/package/${names[deb]}:${names[deb]}" "build/dist/mingw/${names[zip]}:${names[zip]}")

# Zip members keep their times in local time, and tools print dates in it: UTC.
export TZ=UTC LC_ALL=C.UTF-8
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"  # Emscripten's acorn, as the wasm preset sets it
# The packages' archive members get their modes from the umask; the packages'
# contents have fixed ones whatever it is. The files in DIR get the user's.
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
build wasm build/dist/wasm 8<&- 9<&-
build package build/dist/package 8<&- 9<&-
build mingw build/dist/mingw -LE billions 8<&- 9<&-  # under wine, as its test preset
for folder in build/dist/package build/dist/mingw; do
  (cd "$folder" && cpack --config CPackConfig.cmake >/dev/null) 8<&- 9<&-
done
# The zip's extra fields hold the builder's uid and gid: normalised away.
strip-nondeterminism --type zip --timestamp "$SOURCE_DATE_EPOCH" "build/dist/mingw/${names[zip]}"

# Written beside their names in DIR, under the user's umask and DIR's default ACL.
umask "$user_umask"
[ -d "$target" ] && [ "$(stat -c '%d:%i' -- "$target")" = "$identity" ] ||
  fail "$target was moved or replaced while the release was built: nothing was written"
stage=$(mktemp -d -- "$target/.die-fairness-release-XXXXXX")
released=()
for pair in "${built[@]}"; do
  cat -- "${pair%%:*}" >"$stage/${pair#*:}"
  released+=("${pair#*:}")
done
(cd "$stage" && sha256sum -- "${released[@]}" >SHA256SUMS)
now=$(listing)
if [ "$now" != "$listed" ]; then
  changed=$(diff <(echo "$listed") <(echo "$now") | sed -n 's/^[<>] \([^ ][^ ]*\).*/\1/p' | sort -u | tr '\n' ' ' || true)
  fail "$target changed while the release was built, so nothing in it was replaced: ${changed% }"
fi

# From here the release is complete once the last name is in place: no signal stops it halfway.
trap '' HUP INT TERM
for name in "${released[@]}" SHA256SUMS; do
  mv -f -- "$stage/$name" "$target/$name"
done
finished=1
rm -rf -- "$stage" || true
stage=""

echo "release.sh: die-fairness $version${DIE_FAIRNESS_COMMIT:+ (commit $DIE_FAIRNESS_COMMIT)} in $((SECONDS - started)) s, into $target:"
for name in "${released[@]}" SHA256SUMS; do
  printf '  %-36s %10s bytes\n' "$name" "$(stat -c %s -- "$target/$name")"
done
