#!/usr/bin/python3
"""Times the class page as a teacher meets it, in headless Chromium and in
Firefox ESR: from a real Ctrl+V (the keystroke), a real drop of a file (the
browser's own drag and drop, Chromium) or a file chosen with "Open files"
(Firefox, which drives no drop), to the frame after the page shows the
figures. The hand-ins: a class of 30 students' 12 samples, and a 5 MB text of
428,771 record lines. Prints the median of each; asserts nothing.

Needs the wasm build (cmake --workflow --preset wasm), Debian's chromium,
chromium-driver, python3-selenium, and for Firefox firefox-esr and
python3-websocket. Usage: bench/time_class_page.py [repeats, default 3]"""

import json
import math
import random
import statistics
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
from browser_helpers import start_browser  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

PAGE = ROOT / "build/wasm/die-fairness-class.html"
REPEATS = int(sys.argv[1]) if len(sys.argv) > 1 else 3

# In the page: the moment of the keystroke, drop or choice, and of the frame
# after the live region says what the hand-in gave.
MEASURE = """
window.measured = { start: 0, end: 0 };
const begin = () => { measured.start = performance.now(); measured.end = 0; };
document.addEventListener('keydown', (event) => { if (event.ctrlKey && event.key === 'v') begin(); }, true);
document.addEventListener('drop', begin, true);
document.addEventListener('change', begin, true);
new MutationObserver(() => requestAnimationFrame(() => setTimeout(() => { measured.end = performance.now(); })))
  .observe(document.getElementById('announce'), { childList: true, characterData: true, subtree: true });
"""
CLEAR = "for (const button of document.querySelectorAll('#hand-ins button')) button.click(); measured.end = 0;"
ELAPSED = "return measured.end > measured.start && measured.start > 0 ? measured.end - measured.start : null;"


def hand_ins():
    made_up = random.Random(20261209)
    lesson = [10, 10, 10, 100, 100, 100, 1000, 1000, 1000, 10000, 10000, 10000]
    sigma = math.sqrt(35 / 12)
    class_text = "".join(f"Student {student}\n" + "".join(
        f"{size} {round(made_up.gauss(3.5, sigma / math.sqrt(size)) * size) / size:g}\n"
        for size in lesson) for student in range(30))
    lines, size = [], 0
    while size < 5_000_000:
        n = made_up.randint(1, 1000)
        line = f"{n} {made_up.randint(n, 6 * n) / n:.6g}\n"
        lines.append(line)
        size += len(line)
    return {"a class of 30": class_text, f"5 MB ({len(lines):,} record lines)": "Everyone\n" + "".join(lines)}


def chromium(texts, folder):
    browser = start_browser()
    results = {}
    try:
        browser.get(PAGE.as_uri())
        browser.execute_cdp_cmd("Browser.grantPermissions", {"permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        WebDriverWait(browser, 30).until(lambda _: browser.find_element(By.ID, "paste").is_displayed())
        browser.execute_script(MEASURE)
        wait = lambda: WebDriverWait(browser, 120, poll_frequency=0.05).until(lambda _: browser.execute_script(ELAPSED))
        for name, text in texts.items():
            pastes, drops = [], []
            path = Path(folder) / "hand-in.txt"
            path.write_text(text, encoding="utf-8")
            for _ in range(REPEATS):
                browser.execute_script(CLEAR)
                browser.execute_script("return navigator.clipboard.writeText(arguments[0]);", text)
                browser.find_element(By.ID, "texts").send_keys(Keys.CONTROL, "v")
                pastes.append(wait())
                browser.execute_script(CLEAR)
                for kind in ("dragEnter", "dragOver", "drop"):
                    browser.execute_cdp_cmd("Input.dispatchDragEvent", {"type": kind, "x": 300, "y": 300, "data": {
                        "items": [], "files": [str(path)], "dragOperationsMask": 1}})
                drops.append(wait())
            results[name] = {"Ctrl+V": statistics.median(pastes), "drop": statistics.median(drops)}
        version = browser.capabilities["browserVersion"]
    finally:
        browser.quit()
    return f"Chromium {version}", results


def firefox(texts, folder):
    sys.path.insert(0, str(ROOT / "bench"))
    from firefox_bidi import Firefox  # needs python3-websocket
    browser = Firefox()
    results = {}
    try:
        browser.open(PAGE.as_uri())
        for _ in range(100):
            if browser.evaluate("String(!document.getElementById('paste').hidden)") == "true":
                break
        browser.evaluate(MEASURE)
        box = browser.evaluate("(() => { const r = document.getElementById('texts').getBoundingClientRect();"
                               " return [r.x + 20, r.y + 20].join(' '); })()")
        x, y = (float(part) for part in box.split())

        def wait():
            for _ in range(2400):
                elapsed = browser.evaluate(f"(() => {{ {ELAPSED} }})()")
                if elapsed:
                    return elapsed
            raise TimeoutError("the page showed no figures")

        for name, text in texts.items():
            pastes, opened = [], []
            path = Path(folder) / "hand-in.txt"
            path.write_text(text, encoding="utf-8")
            # The text into the page a piece at a time, for the clipboard.
            browser.evaluate("window.handedIn = ''")
            for at in range(0, len(text), 500_000):
                browser.evaluate(f"window.handedIn += {json.dumps(text[at:at + 500_000])}")
            for _ in range(REPEATS):
                browser.evaluate(CLEAR)
                browser.click(x, y)  # the user activation that the clipboard wants
                browser.evaluate("navigator.clipboard.writeText(window.handedIn)")
                browser.control_key("v")
                pastes.append(wait())
                browser.evaluate(CLEAR)
                browser.set_files("#files", [path])
                opened.append(wait())
            results[name] = {"Ctrl+V": statistics.median(pastes), "Open files": statistics.median(opened)}
    finally:
        browser.quit()
    return f"Firefox {browser.version}", results


def main():
    texts = hand_ins()
    with tempfile.TemporaryDirectory() as folder:
        for measure in (chromium, firefox):
            try:
                browser, results = measure(texts, folder)
            except (ImportError, FileNotFoundError, RuntimeError, TimeoutError) as error:
                print(f"{measure.__name__}: not measured: {error}")
                continue
            for name, times in results.items():
                shown = ", ".join(f"{how} {ms:,.0f} ms" for how, ms in times.items())
                print(f"{browser}: {name}: {shown} (median of {REPEATS})")


if __name__ == "__main__":
    main()
