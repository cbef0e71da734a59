#!/usr/bin/python3
"""packaging/release.sh, tried as a hostile or careless user would, with the
build itself faked (cmake, ctest and cpack that only write the files a build
would): each row sets a folder up, runs the script, and checks what it said
and that it wrote nothing but its own files. The script under test is the
work tree's, committed in a fresh clone of this checkout for each row.

Needs git and, as root, mount (the rows that need it say so where they cannot).

Usage: release_test.py [ROW ...]"""

import grp
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
UNDER_TEST = ["packaging/release.sh", "packaging/release_names.cmake"]
NAMES = dict(line.split(" ", 1) for line in subprocess.run(
    ["cmake", "-P", str(ROOT / "packaging/release_names.cmake")], capture_output=True, text=True,
    check=True).stdout.splitlines())
RELEASED = [NAMES[key] for key in ("page", "class", "lesson", "sheet", "deb", "zip")] + ["SHA256SUMS"]

# The build, faked: configure records its -D settings, a build writes the
# pages (naming the commit and the time they were given) after running
# FAKE_BUILD_HOOK, and cpack writes the package its folder makes.
FAKE_CMAKE = r"""#!/bin/bash
case "$1" in
  -P | -E) exec /usr/bin/cmake "$@" ;;
  --preset)
    folder=""; settings=()
    while (($#)); do case "$1" in -B) folder=$2; shift ;; -D*) settings+=("$1") ;; esac; shift; done
    mkdir -p "$folder" && printf '%s\n' "${settings[@]}" >"$folder/fake-configure.txt"
    echo "configure $folder CXX=${CXX-unset} CXXFLAGS=${CXXFLAGS-unset}" >>"$FAKE_LOG" ;;
  --build)
    folder=$2
    echo "build $folder" >>"$FAKE_LOG"
    case "$folder" in */wasm) [ -z "${FAKE_BUILD_HOOK:-}" ] || bash -c "$FAKE_BUILD_HOOK" || exit 1 ;; esac
    commit=$(sed -n 's/^-DDIE_FAIRNESS_COMMIT=//p' "$folder/fake-configure.txt")
    case "$folder" in */wasm)
      for page in die-fairness die-fairness-class die-fairness-lesson die-fairness-record-sheet; do
        echo "$page commit=$commit time=$SOURCE_DATE_EPOCH" >"$folder/$page.html"
      done ;;
    esac ;;
  *) exit 2 ;;
esac
"""
FAKE_CPACK = r"""#!/bin/bash
names=$(/usr/bin/cmake -P ../../../packaging/release_names.cmake)
case "$PWD" in
  */package) echo deb >"$(sed -n 's/^deb //p' <<<"$names")" ;;
  */mingw) echo zip >"$(sed -n 's/^zip //p' <<<"$names")" ;;
esac
"""
# A mv that, moving the release's last file into place, signals the script that runs it.
SIGNALLING_MV = r"""#!/bin/bash
/bin/mv "$@" || exit
case "${@: -1}" in *SHA256SUMS | */dist) kill -TERM "$PPID" ;; esac
"""
QUIET = "#!/bin/sh\nexit 0\n"


class Row:
    """One try: where it starts, what it names, and what must then hold."""

    def __init__(self, name, args=("dist",), *, setup=None, env=None, cwd=None, status=0, says=None,
                 holds=None, script=None, needs_mount=False):
        self.name, self.args, self.setup, self.env, self.cwd = name, list(args), setup, env or {}, cwd
        self.status, self.says, self.holds, self.script, self.needs_mount = status, says, holds, script, needs_mount


class Place:
    """A clone of this checkout with the script under test committed, fake
    tools, and a folder of the user's beside it."""

    def __init__(self, top):
        self.top = top
        self.source = top / "source"
        subprocess.run(["git", "clone", "-q", str(ROOT), str(self.source)], check=True)
        for name in UNDER_TEST:
            shutil.copy2(ROOT / name, self.source / name)
        git(self.source, "add", *UNDER_TEST)
        git(self.source, "commit", "-q", "--allow-empty", "-m", "the script under test")
        self.tools = top / "tools"
        self.tools.mkdir()
        for name, text in [("cmake", FAKE_CMAKE), ("cpack", FAKE_CPACK), ("ctest", QUIET),
                           ("strip-nondeterminism", QUIET), ("emcc", QUIET), ("g++", QUIET),
                           ("dpkg-shlibdeps", QUIET), ("x86_64-w64-mingw32-g++-posix", QUIET),
                           ("x86_64-w64-mingw32-windres", QUIET)]:
            write_program(self.tools / name, text)
        self.log = top / "build.log"
        self.log.touch()
        self.user = top / "user"
        self.user.mkdir()

    def env(self, extra):
        env = {key: value for key, value in os.environ.items()
               if key not in ("SOURCE_DATE_EPOCH", "DIE_FAIRNESS_COMMIT", "CXX", "CXXFLAGS")}
        env.update(PATH=f"{self.tools}:{os.environ['PATH']}", FAKE_LOG=str(self.log))
        env.update({key: value.format(place=self) for key, value in extra.items()})
        return env

    def run(self, args, extra_env, cwd=None, script=None):
        command = [str(script or self.source / "packaging/release.sh"), "--without-tests", *args]
        return subprocess.run(command, cwd=cwd or self.user, env=self.env(extra_env), capture_output=True,
                              text=True, timeout=120)

    def built(self):
        return "build " in self.log.read_text()


def git(where, *args):
    return subprocess.run(["git", "-C", str(where), "-c", "user.name=test", "-c", "user.email=test@localhost",
                           *args], check=True, capture_output=True, text=True).stdout


def write_program(path, text):
    path.write_text(text, encoding="utf-8")
    path.chmod(0o755)


def check(holds, what):
    if not holds:
        raise AssertionError(what)


def released_into(folder):
    """The release is there, whole: every file, and SHA256SUMS that checks them."""
    check(all((folder / name).is_file() for name in RELEASED), f"not released into {folder}: {listing(folder)}")
    subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=folder, check=True)


def listing(folder):
    return sorted(path.name for path in folder.iterdir()) if folder.is_dir() else None


def nothing_beside(place, *allowed):
    """Nothing the run left beside the user's folders or in the checkout."""
    check(listing(place.user) == sorted(allowed), f"beside the release: {listing(place.user)}")
    check(git(place.source, "status", "--porcelain", "--ignored=no") == "", "the checkout holds new files")


def mode(path):
    return stat.S_IMODE(path.stat().st_mode)


def facl(path):
    return subprocess.run(["getfacl", "-cp", str(path)], capture_output=True, text=True, check=True).stdout


# Setups and checks, by row.

def notes_folder(place):
    (place.user / "dist").mkdir()
    (place.user / "dist/notes.txt").write_text("a teacher's notes")


def notes_kept(place):
    check(listing(place.user / "dist") == ["notes.txt"], f"the notes' folder holds {listing(place.user / 'dist')}")
    check(not place.built(), "it built before refusing")


def saved_during_build(place):
    (place.user / "dist").mkdir()


def save_hook():
    return {"FAKE_BUILD_HOOK": "echo 'the answer key, saved here while it builds' > '{place.user}/dist/saved.txt'"}


def saved_file_kept(place):
    check((place.user / "dist/saved.txt").read_text().startswith("the answer key"), "the saved file is gone")
    check(listing(place.user / "dist") == ["saved.txt"], f"dist holds {listing(place.user / 'dist')}")


def private_folder(place):
    folder = place.user / "dist"
    folder.mkdir(mode=0o700)
    folder.chmod(0o700)
    os.chown(folder, -1, grp.getgrnam("users").gr_gid)
    subprocess.run(["setfacl", "-m", "u:nobody:rx", str(folder)], check=True)
    place.acl, place.mode = facl(folder), mode(folder)


def private_folder_kept(place):
    folder = place.user / "dist"
    released_into(folder)
    check(mode(folder) == place.mode and folder.stat().st_gid == grp.getgrnam("users").gr_gid,
          f"the folder's mode or group changed: {oct(mode(folder))} {folder.stat().st_gid}")
    check(facl(folder) == place.acl, f"the folder's ACL changed:\n{facl(folder)}\nwas:\n{place.acl}")
    modes = {name: oct(mode(folder / name)) for name in RELEASED}
    check(set(modes.values()) == {"0o600"}, f"under umask 077 the files are {modes}")


def files_by_umask(place):
    folder = place.user / "dist"
    released_into(folder)
    check({oct(mode(folder / name)) for name in RELEASED} == {"0o664"} and mode(folder) == 0o775,
          f"under umask 002: {oct(mode(folder))}, {[oct(mode(folder / name)) for name in RELEASED]}")


def earlier_release(place):
    folder = place.user / "dist"
    folder.mkdir()
    for name in ("die-fairness-0.9.0.html", "SHA256SUMS", NAMES["page"]):
        (folder / name).write_text("of an earlier release\n")


def earlier_version_kept(place):
    folder = place.user / "dist"
    released_into(folder)
    check((folder / "die-fairness-0.9.0.html").read_text() == "of an earlier release\n", "an earlier version's file went")


def in_dist_of_the_user(place):
    released_into(place.user / "dist")
    check(not (place.source / "dist").exists(), "released into the checkout's dist")
    nothing_beside(place, "dist")


def into_the_checkouts_dist(place):
    released_into(place.source / "dist")
    nothing_beside(place)


def into_a_folder_in_the_checkout(place):
    """Twice into a folder of the checkout, then into another: never taken for a change."""
    released_into(place.source / "out")
    for args in (["out"], ["other"]):
        again = place.run(args, {}, cwd=place.source)
        check(again.returncode == 0, f"a release into {args[0]} after one into out: {again.stderr}")
    released_into(place.source / "other")


def into(name):
    def released(place):
        released_into(place.user / name)
    return released


def killed_stage(place):
    folder = place.user / "dist"
    folder.mkdir()
    (folder / ".die-fairness-release-Ab12Cd").mkdir()
    (folder / ".die-fairness-release-Ab12Cd/die-fairness-1.0.0.html").write_text("half")


def stage_gone(place):
    released_into(place.user / "dist")
    check(listing(place.user / "dist") == sorted(RELEASED), f"dist holds {listing(place.user / 'dist')}")


def killed_while_building(place):
    check(not (place.user / "dist").exists(), "the release folder stays after the run was killed")
    nothing_beside(place)


def without_git(place):
    """A PATH with every program of this machine but git."""
    programs = place.top / "programs"
    programs.mkdir()
    for folder in ("/usr/local/bin", "/usr/bin", "/bin"):
        for program in Path(folder).iterdir():
            if program.name != "git" and not (programs / program.name).exists():
                (programs / program.name).symlink_to(program)
    place.programs = programs


def no_write(place):
    check(not (place.user / "dist").exists() and not place.built(), "it built, or wrote, before refusing")


def read_only_parent(place):
    subprocess.run(["mount", "-t", "tmpfs", "-o", "ro,size=1m", "none", str(place.user)], check=True)
    place.unmount = [place.user]


def mounted_folder(place):
    (place.user / "dist").mkdir()
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "none", str(place.user / "dist")], check=True)
    place.unmount = [place.user / "dist"]


def dangling_link(place):
    (place.user / "dist").symlink_to(place.top / "nowhere/at/all")


def nowhere_made(place):
    check(not (place.top / "nowhere").exists(), "the link's target's folders were made")


def moved_aside(place):
    (place.user / "dist").mkdir()


def move_hook():
    return {"FAKE_BUILD_HOOK": "mv '{place.user}/dist' '{place.user}/moved'"}


def moved_folder_untouched(place):
    check(listing(place.user) == ["moved"] and listing(place.user / "moved") == [],
          f"after moving dist aside: {listing(place.user)} {listing(place.user / 'moved')}")


def signalled_mv(place):
    write_program(place.tools / "mv", SIGNALLING_MV)


def complete_after_signal(place):
    released_into(place.user / "dist")
    nothing_beside(place, "dist")


def through_a_symlink(place):
    (place.top / "bin").mkdir()
    (place.top / "bin/make-release").symlink_to(place.source / "packaging/release.sh")


def own_commit_named(place):
    page = (place.user / "dist" / NAMES["page"]).read_text()
    commit = git(place.source, "rev-parse", "--short=12", "HEAD").strip()
    check(f"commit={commit} " in page, f"the page names {page!r}, not {commit}")
    check("CXX=unset CXXFLAGS=unset" in place.log.read_text(), f"the build saw {place.log.read_text()}")


def tarball(place):
    """The source as a tarball unpacked, with no .git."""
    unpacked = place.top / "unpacked"
    archive = subprocess.run(["git", "-C", str(place.source), "archive", "HEAD"], capture_output=True, check=True).stdout
    unpacked.mkdir()
    subprocess.run(["tar", "-x", "-C", str(unpacked)], input=archive, check=True)
    place.tarball = unpacked


def dirty(place):
    (place.source / "uncommitted.txt").write_text("an uncommitted change")


def second_run_at_once(place, same_checkout):
    """A second release started while the first builds: refused at once, the first undisturbed."""
    first = subprocess.Popen([str(place.source / "packaging/release.sh"), "--without-tests", "dist"], cwd=place.user,
                             env=place.env({"FAKE_BUILD_HOOK": "sleep 3"}), stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    deadline = time.time() + 30
    while "build " not in place.log.read_text() and time.time() < deadline:
        time.sleep(0.05)
    if same_checkout:
        second = place.run(["elsewhere"], {})
    else:
        other = Place.__new__(Place)
        other.__dict__.update(place.__dict__)
        other.source = place.top / "source2"
        subprocess.run(["git", "clone", "-q", str(place.source), str(other.source)], check=True)
        second = other.run(["dist"], {})
    _, first_said = first.communicate(timeout=60)
    check(first.returncode == 0, f"the first release failed: {first_said}")
    released_into(place.user / "dist")
    return second


ROWS = [
    Row("notes_in_dir", setup=notes_folder, status=1, says="holds notes.txt, which no release wrote", holds=notes_kept),
    Row("the_checkout", ["{place.source}"], status=1, says="holds this checkout"),
    Row("the_checkouts_parent", ["{place.top}"], status=1, says="holds this checkout"),
    Row("unknown_option", ["--bogus", "dist"], status=1, says="unknown option --bogus"),
    Row("two_dirs", ["dist", "other"], status=1, says="one DIR at most"),
    Row("options_end_then_two_dirs", ["--", "a", "b"], status=1, says="one DIR at most"),
    Row("a_dir_then_options_end", ["out", "--"], holds=into("out")),
    Row("a_dir_then_options_end_then_another", ["out", "--", "other"], status=1, says="one DIR at most"),
    Row("a_dir_named_like_an_option", ["--", "--without-tests"], holds=into("--without-tests")),
    Row("uncommitted_changes", setup=dirty, status=1, says="uncommitted changes", holds=no_write),
    Row("relative_dir_from_the_callers_folder", holds=in_dist_of_the_user),
    Row("default_dir_is_the_checkouts_dist", [], holds=into_the_checkouts_dist),
    Row("dirs_in_the_checkout_never_block", ["out"], cwd="{place.source}", holds=into_a_folder_in_the_checkout),
    Row("an_earlier_versions_files_stay", setup=earlier_release, holds=earlier_version_kept),
    Row("a_killed_runs_stage_is_no_obstacle", setup=killed_stage, holds=stage_gone),
    Row("killed_while_building", env={"FAKE_BUILD_HOOK": "kill -TERM $(pgrep -f -o 'release.sh --without-tests')"},
        status=143, holds=killed_while_building),
    Row("a_file_saved_into_dir_while_building", setup=saved_during_build, env=save_hook(), status=1,
        says="changed while the release was built, so nothing in it was replaced: saved.txt", holds=saved_file_kept),
    Row("dir_moved_aside_while_building", setup=moved_aside, env=move_hook(), status=1,
        says="was moved or replaced while the release was built", holds=moved_folder_untouched),
    Row("a_private_folder_keeps_its_mode_group_and_acl", setup=private_folder, env={"UMASK": "077"},
        holds=private_folder_kept),
    Row("files_by_the_users_umask", env={"UMASK": "002"}, holds=files_by_umask),
    Row("no_git_in_a_checkout", setup=without_git, status=1, says="git is missing", holds=no_write),
    Row("commit_from_the_environment", env={"DIE_FAIRNESS_COMMIT": "0123456789ab"}, status=1,
        says="DIE_FAIRNESS_COMMIT is 0123456789ab, but this checkout is at", holds=no_write),
    Row("time_from_the_environment", env={"SOURCE_DATE_EPOCH": "0"}, status=1,
        says="SOURCE_DATE_EPOCH is 0, but a release of this checkout", holds=no_write),
    Row("compilers_and_flags_from_the_environment", env={"CXX": "clang++", "CXXFLAGS": "-O0"},
        says="leaving out CXX CXXFLAGS", holds=own_commit_named),
    Row("tarball_at_1970", setup=tarball, env={"SOURCE_DATE_EPOCH": "0"}, status=1,
        says="SOURCE_DATE_EPOCH must be a whole number of seconds from 315532800", holds=no_write),
    Row("tarball_past_32_bits", setup=tarball, env={"SOURCE_DATE_EPOCH": "4294967296"}, status=1,
        says="from 315532800 (1980) to 4294967295", holds=no_write),
    Row("tarball_with_a_time", setup=tarball, env={"SOURCE_DATE_EPOCH": "1796821387"}, holds=into("dist")),
    Row("read_only_parent", setup=read_only_parent, status=1, says="cannot be written to", holds=no_write,
        needs_mount=True),
    Row("a_mount_point", setup=mounted_folder, holds=into("dist"), needs_mount=True),
    Row("a_dangling_symlink", setup=dangling_link, status=1, says="is a symbolic link to nothing", holds=nowhere_made),
    Row("a_signal_as_the_last_file_is_put", setup=signalled_mv, holds=complete_after_signal),
    Row("started_through_a_symlink", script="{place.top}/bin/make-release", setup=through_a_symlink,
        holds=into("dist")),
    Row("started_from_its_own_folder", ["../../user/dist"], script="./release.sh", cwd="{place.source}/packaging",
        holds=into("dist")),
    Row("two_runs_from_one_checkout", status=1, says="another release is being made from this checkout"),
    Row("two_runs_into_one_dir", status=1, says="another release is being written into"),
]


def run_row(row, top):
    place = Place(top)
    place.unmount = []
    fill = lambda text: text.format(place=place)
    try:
        if row.needs_mount and os.geteuid() != 0:
            return "skipped: mounting needs root"
        if row.setup:
            try:
                row.setup(place)
            except subprocess.CalledProcessError as error:
                if row.needs_mount:
                    return f"skipped: {error}"
                raise
        if row.name.startswith("two_runs"):
            said = second_run_at_once(place, row.name == "two_runs_from_one_checkout")
        else:
            env = dict(row.env)
            umask = env.pop("UMASK", None)
            if hasattr(place, "programs"):
                env["PATH"] = f"{place.tools}:{place.programs}"
            source = getattr(place, "tarball", None)
            script = fill(row.script) if row.script else (source / "packaging/release.sh" if source else None)
            old_umask = os.umask(int(umask, 8)) if umask else None
            try:
                said = place.run([fill(arg) for arg in row.args], env, cwd=fill(row.cwd) if row.cwd else None,
                                 script=script)
            finally:
                if old_umask is not None:
                    os.umask(old_umask)
        check(said.returncode == row.status, f"status {said.returncode}, not {row.status}: {said.stderr}")
        if row.says:
            check(row.says in said.stderr, f"it said {said.stderr!r}, not {row.says!r}")
        if row.status == 1:
            check(len(said.stderr.strip().splitlines()) == 1, f"a refusal of more than one line: {said.stderr}")
        if row.holds:
            row.holds(place)
        return "ok"
    finally:
        for mounted in reversed(place.unmount):
            subprocess.run(["umount", str(mounted)], check=False)


def main():
    chosen = [row for row in ROWS if not sys.argv[1:] or row.name in sys.argv[1:]]
    failed = []
    for row in chosen:
        with tempfile.TemporaryDirectory(prefix="release-test-") as top:
            try:
                outcome = run_row(row, Path(top))
            except (AssertionError, subprocess.SubprocessError) as error:
                outcome = f"FAILED: {error}"
                failed.append(row.name)
            print(f"{row.name}: {outcome}", flush=True)
    check(not failed, f"release_test: {len(failed)} of {len(chosen)} rows failed: {' '.join(failed)}")
    print(f"release_test: {len(chosen)} rows")


if __name__ == "__main__":
    main()
