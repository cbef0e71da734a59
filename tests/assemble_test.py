#!/usr/bin/python3
"""src/page/assemble.py, which joins a page into one file: what it refuses
(text that would end or bend an inline script early, markers it cannot fill
or that stand twice) and what it makes of a page that it fills.

Usage: assemble_test.py"""

import re
import subprocess
import sys
import tempfile
from pathlib import Path

ASSEMBLE = Path(__file__).resolve().parent.parent / "src/page/assemble.py"
PAGE = "<p>@HOW_TO@</p>\n<style>@STYLE@</style>\n<script>@PAGE_SCRIPT@</script>\n<script>@PROGRAM_SCRIPT@</script>\n" \
       "<script type=text/plain>@PROGRAM_MODULE@</script>\n<link href=\"@ICON@\">\n<a href=\"@SHEET_FILE@\">sheet</a>\n@ABOUT@\n"

# Each row: its name, what it changes of a page that assembles, and the words
# that the refusal must hold (None: it assembles).
ROWS = [
    ("a_page_that_fills", {}, None),
    ("script_ending_its_element", {"page.js": "let a = '</script>';"}, "page.js holds '</script'"),
    ("script_ending_in_capitals", {"page.js": "let a = '</SCRIPT >';"}, "page.js holds '</script'"),
    ("script_opening_a_comment", {"page.js": "if (a <!--b) {}"}, "page.js holds '<!--'"),
    ("program_script_opening_a_comment", {"worker.js": "x<!--y"}, "the program's script holds '<!--'"),
    ("marker_not_filled", {"page.html": PAGE + "@UNKNOWN@\n"}, "must hold @UNKNOWN@ once"),
    ("marker_twice", {"page.html": PAGE + "@STYLE@\n"}, "must hold @STYLE@ once"),
    ("marker_missing", {"page.html": PAGE.replace("@ICON@", "")}, "must hold @ICON@ once"),
    ("release_file_linked_twice", {"page.html": PAGE + '<a href="@SHEET_FILE@">again</a>\n'},
     None),
    ("release_file_not_given", {"page.html": PAGE + '<a href="@LESSON_FILE@">a</a>\n'}, "must hold @LESSON_FILE@ once"),
]


# What a filled page holds: the how-to paragraph as HTML, every part inline,
# the module in base64, the version and license escaped.
FILLED = ["<p>Type <code>10</code> and press Enter &amp; see.</p>", "<style>p { color: red }</style>",
          "<script>let page = 1;</script>", "<script>let program = 2;\nlet worker = 3;</script>",
          "<script type=text/plain>AGFzbQ==</script>", "<p>die-fairness 1.0 (commit &lt;abc&gt;)</p>",
          "MIT &lt;license&gt;", '<link href="data:image/svg+xml,', '<a href="sheet 1.0.html">sheet</a>']


def assemble(folder, files):
    for name, text in {"page.html": PAGE, "page.css": "p { color: red }", "page.js": "let page = 1;",
                       "program.js": "let program = 2;", "program.wasm": "\0asm", "worker.js": "let worker = 3;",
                       "how-to.md": "Type `10`\nand press\nEnter & see.", "LICENSE": "MIT <license>",
                       "notices.txt": "notices", **files}.items():
        (folder / name).write_text(text, encoding="utf-8")
    return subprocess.run([sys.executable, str(ASSEMBLE), "--html", str(folder / "page.html"),
                           "--style", str(folder / "page.css"), "--script", str(folder / "page.js"),
                           "--program", str(folder / "program.js"), str(folder / "program.wasm"),
                           "--worker", str(folder / "worker.js"), "--how-to", str(folder / "how-to.md"),
                           "--release-file", "SHEET=sheet 1.0.html", "--version", "1.0 (commit <abc>)",
                           "--license", str(folder / "LICENSE"), "--notices", str(folder / "notices.txt"),
                           "--output", str(folder / "out.html")], capture_output=True, text=True)


def main():
    failed = []
    for name, files, refusal in ROWS:
        with tempfile.TemporaryDirectory() as folder:
            made = assemble(Path(folder), files)
            out = Path(folder) / "out.html"
            if refusal is None:
                page = out.read_text(encoding="utf-8") if made.returncode == 0 else ""
                missing = [piece for piece in FILLED if piece not in page]
                holds = made.returncode == 0 and not missing and not re.search(r"@[A-Z_]+@", page)
            else:
                holds = made.returncode != 0 and refusal in made.stderr and not out.exists()
            if not holds:
                failed.append(f"{name}: status {made.returncode}, {made.stderr.strip()!r}")
    for failure in failed:
        print(failure)
    if failed:
        sys.exit(f"assemble_test: {len(failed)} of {len(ROWS)} rows failed")
    print(f"assemble_test: {len(ROWS)} rows")


if __name__ == "__main__":
    main()
