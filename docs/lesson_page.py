#!/usr/bin/python3
"""Makes the release's lesson plan: docs/teachers.md as one offline, printable
HTML page, by Python-Markdown (Debian: python3-markdown), with the link to the
record sheet pointing at the release's copy and the build named at the foot.
The same input always gives the same bytes.

Usage: lesson_page.py TEACHERS.md RECORD-SHEET-NAME BUILD-NAME OUTPUT.html"""

import html
import re
import sys
from pathlib import Path

import markdown

STYLE = """
body { font: 11pt/1.5 system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; max-width: 48rem;
       margin: 0 auto; padding: 1rem; color: #1a1a1a; background: #fff; }
h1 { font-size: 1.5rem; } h2 { font-size: 1.2rem; margin-top: 2rem; }
table { border-collapse: collapse; margin: 0.5rem 0; }
th, td { border: 1px solid #999; padding: 0.15rem 0.5rem; }
pre { background: #f3f3f3; padding: 0.5rem; overflow-x: auto; }
blockquote { border-left: 4px solid #b45309; margin: 0; padding: 0 1rem; }
footer { margin-top: 2rem; color: #595959; font-size: 0.9rem; }
@media print { body { font-size: 10pt; max-width: none; } pre, table, blockquote { break-inside: avoid; } }
"""


def main():
    teachers, sheet_name, build_name, output = sys.argv[1:5]
    text = Path(teachers).read_text(encoding="utf-8")
    text = text.replace("](record-sheet.html)", f"]({sheet_name})")
    body = markdown.markdown(text, extensions=["tables", "fenced_code"], output_format="html")
    title = re.search(r"<h1>(.*?)</h1>", body).group(1)
    page = f"""<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'">
<title>{re.sub(r"<[^>]+>", "", title)}</title>
<style>{STYLE}</style>
</head>
<body>
<main>
{body}
</main>
<footer><p>die-fairness {html.escape(build_name)}: the lesson plan, for teachers.</p></footer>
</body>
</html>
"""
    Path(output).write_text(page, encoding="utf-8")


if __name__ == "__main__":
    main()
