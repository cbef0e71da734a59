#!/usr/bin/python3
"""The record sheet, printed from headless Chromium as a teacher prints it:
exactly one page on A4 and one on US Letter, with the browser's default
margins. Saves the A4 print beside the screenshots.

Usage: record_sheet_test.py RECORD_SHEET_HTML OUTPUT_DIR"""

import base64
import re
import sys
from pathlib import Path

from browser_helpers import check, start_browser

PAPERS = {"A4": (8.27, 11.69), "US Letter": (8.5, 11.0)}  # inches


def main():
    sheet, output = Path(sys.argv[1]), Path(sys.argv[2])
    browser = start_browser()
    try:
        browser.get(sheet.resolve().as_uri())
        for paper, (width, height) in PAPERS.items():
            printed = browser.execute_cdp_cmd("Page.printToPDF", {"paperWidth": width, "paperHeight": height})
            pdf = base64.b64decode(printed["data"])
            pages = len(re.findall(rb"/Type\s*/Page[^s]", pdf))
            check(pages == 1, f"the record sheet prints on {pages} pages of {paper}")
            if paper == "A4":
                output.mkdir(parents=True, exist_ok=True)
                (output / "record-sheet-a4.pdf").write_bytes(pdf)
    finally:
        browser.quit()
    print(f"record_sheet_test: one page on {' and on '.join(PAPERS)}")


if __name__ == "__main__":
    main()
