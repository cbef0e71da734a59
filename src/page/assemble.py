#!/usr/bin/env python3
"""Joins a page's shell and the program that Emscripten built into one HTML
file that needs nothing else: the style, the page's script, the program's
script (Emscripten's loader, followed by the worker's script where the program
runs in a worker) and the WebAssembly module, in base64, all inline. The
student's page gets the README's "how to use" paragraph and its judging part
(cut out by cmake/student_texts.cmake), so that students read the same words in both. Every page names its version
and carries the license and the notices of the code compiled into it.

Usage: assemble.py --html PAGE.html --style A.css [--style B.css] --script A.js [--script B.js]
                   --program PROGRAM.js PROGRAM.wasm [--worker WORKER.js] [--how-to HOW-TO.md] [--judging JUDGING.md]
                   [--release-file KEY=NAME ...]
                   --version VERSION --license LICENSE --notices NOTICES.txt --output OUT.html"""

import argparse
import base64
import html
import re
import sys
from pathlib import Path

# The page's icon, a die's five, inline: a page that may load nothing cannot
# leave the browser to ask for favicon.ico.
ICON = ("data:image/svg+xml," + "%3Csvg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 16 16'%3E"
        "%3Crect x='1' y='1' width='14' height='14' rx='3' fill='%231d4ed8'/%3E"
        "%3Cg fill='white'%3E%3Ccircle cx='5' cy='5' r='1.5'/%3E%3Ccircle cx='11' cy='5' r='1.5'/%3E"
        "%3Ccircle cx='8' cy='8' r='1.5'/%3E%3Ccircle cx='5' cy='11' r='1.5'/%3E"
        "%3Ccircle cx='11' cy='11' r='1.5'/%3E%3C/g%3E%3C/svg%3E")


def how_to(markdown):
    """The paragraph as HTML: its lines joined, `code` marked as such."""
    text = html.escape(" ".join(markdown.split()), quote=False)
    return re.sub(r"`([^`]+)`", r"<code>\1</code>", text)


def blocks(markdown):
    """Paragraphs as HTML paragraphs, and blocks indented by four blanks as they stand."""
    made = []
    for block in markdown.strip("\n").split("\n\n"):
        if block.startswith("    "):
            lines = [line[4:] for line in block.split("\n")]
            made.append(f"<pre>{html.escape(chr(10).join(lines), quote=False)}</pre>")
        else:
            made.append(f"<p>{how_to(block)}</p>")
    return "\n".join(made)


def inline_script(name, text):
    # Inside a <script> element only these could end it early or change how it is read.
    for ending in ("</script", "<!--"):
        if ending in text.lower():
            sys.exit(f"{name} holds {ending!r}, which would break the page")
    return text


def read(path):
    return Path(path).read_text(encoding="utf-8")


def about(version, license_text, notices):
    """The page's version, and its licenses behind a disclosure, below everything."""
    return (f'<footer id="about">\n<p>die-fairness {html.escape(version)}</p>\n<details>\n'
            f"<summary>License and notices</summary>\n<pre>{html.escape(license_text.strip())}</pre>\n"
            f"<pre>{html.escape(notices.strip())}</pre>\n</details>\n</footer>")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--html", required=True)
    parser.add_argument("--style", action="append", required=True)
    parser.add_argument("--script", action="append", required=True)
    parser.add_argument("--program", nargs=2, required=True, metavar=("JS", "WASM"))
    parser.add_argument("--worker")
    parser.add_argument("--how-to")
    parser.add_argument("--judging")
    parser.add_argument("--release-file", action="append", default=[], metavar="KEY=NAME",
                        help="a file of the release that the page links to, filling @KEY_FILE@")
    parser.add_argument("--version", required=True)
    parser.add_argument("--license", required=True)
    parser.add_argument("--notices", required=True)
    parser.add_argument("--output", required=True)
    options = parser.parse_args()

    program_js, program_wasm = options.program
    program_script = read(program_js) + ("\n" + read(options.worker) if options.worker else "")
    parts = {
        "@STYLE@": "\n".join(read(style) for style in options.style),
        "@ICON@": ICON,
        "@PROGRAM_MODULE@": base64.b64encode(Path(program_wasm).read_bytes()).decode("ascii"),
        "@PROGRAM_SCRIPT@": inline_script("the program's script", program_script),
        "@PAGE_SCRIPT@": "\n".join(inline_script(Path(script).name, read(script)) for script in options.script),
        "@ABOUT@": about(options.version, read(options.license), read(options.notices)),
    }
    repeatable = set()  # names, not blocks of the page
    for release_file in options.release_file:
        key, _, name = release_file.partition("=")
        parts[f"@{key}_FILE@"] = html.escape(name)
        repeatable.add(f"@{key}_FILE@")
    if options.how_to:
        parts["@HOW_TO@"] = how_to(read(options.how_to))
    if options.judging:
        parts["@JUDGING@"] = blocks(read(options.judging))
    page = read(options.html)
    for marker in set(re.findall(r"@[A-Z_]+@", page)) | set(parts):
        count = page.count(marker)
        if marker not in parts or count < 1 or (count > 1 and marker not in repeatable):
            sys.exit(f"{options.html} must hold {marker} once, and only markers that are filled")
    # One pass, so that nothing inserted is taken for a marker.
    page = re.sub("|".join(parts), lambda match: parts[match.group(0)], page)
    Path(options.output).write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
