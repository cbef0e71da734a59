#!/usr/bin/env python3
"""Joins the page's shell and the program that Emscripten built into one HTML
file that needs nothing else: the style, the page's script, the worker's script
(Emscripten's loader followed by worker.js) and the WebAssembly module, in
base64, all inline. The "how to use" paragraph is the README's, between its
markers, so that students read the same words in both. The page names its
version and carries the license and the notices of the code compiled into it.

Usage: assemble.py SHELL_DIR README PROGRAM_JS PROGRAM_WASM OUTPUT_HTML VERSION LICENSE"""

import base64
import html
import re
import sys
from pathlib import Path

HOW_TO = re.compile(r"<!-- page: how to use -->\n(.*?)\n<!-- end -->", re.S)


def how_to(readme):
    match = HOW_TO.search(readme)
    if not match:
        sys.exit("README.md has no paragraph marked for the page's 'how to use'")
    text = html.escape(" ".join(match.group(1).split()), quote=False)
    return re.sub(r"`([^`]+)`", r"<code>\1</code>", text)


def inline_script(name, text):
    # Inside a <script> element only these could end it early or change how it is read.
    for ending in ("</script", "<!--"):
        if ending in text.lower():
            sys.exit(f"{name} holds {ending!r}, which would break the page")
    return text


def main():
    shell, readme, program_js, program_wasm, output = map(Path, sys.argv[1:6])
    version, license_file = sys.argv[6], Path(sys.argv[7])
    parts = {
        "@VERSION@": html.escape(version),
        "@LICENSE@": html.escape(license_file.read_text(encoding="utf-8").strip()),
        "@NOTICES@": html.escape((shell / "third-party-notices.txt").read_text(encoding="utf-8").strip()),
        "@STYLE@": (shell / "page.css").read_text(encoding="utf-8"),
        "@HOW_TO@": how_to(readme.read_text(encoding="utf-8")),
        "@PROGRAM_MODULE@": base64.b64encode(program_wasm.read_bytes()).decode("ascii"),
        "@PROGRAM_SCRIPT@": inline_script(
            "the worker's script",
            program_js.read_text(encoding="utf-8") + "\n" + (shell / "worker.js").read_text(encoding="utf-8")),
        "@PAGE_SCRIPT@": inline_script("page.js", (shell / "page.js").read_text(encoding="utf-8")),
    }
    page = (shell / "page.html").read_text(encoding="utf-8")
    for marker in parts:
        if page.count(marker) != 1:
            sys.exit(f"page.html must hold {marker} once")
    # One pass, so that nothing inserted is taken for a marker.
    page = re.sub("|".join(parts), lambda match: parts[match.group(0)], page)
    output.write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
