#!/usr/bin/python3
"""The teacher's class page in headless Chromium, opened from a file: pasted
console transcripts made here with pinned clocks (two of the same second, one
pasted twice, one also pasted as the student's page would give it, one copied
without its title, padded with blanks), a record sheet's block and a line of
nonsense must give the runs, the per-size counts, the pooled figures, the faces
and the picture that this test computes itself, whether pasted at once or one
text at a time with Ctrl+V; name the repeats and the unread line, use no
verdict word, make no request, log no error and fit 320 pixels. With scripts
off it says what it needs and shows nothing that does nothing. Prints how long
30 students' 12 samples and a 5 MB paste take to tally, and saves screenshots
in light and dark.

Also makes the README's picture of the class page from made-up means of a
fair die, and fails while docs/class-page.png differs from it.

Usage: class_page_test.py CLASS_PAGE_HTML CONSOLE_JS NODE SCREENSHOT_DIR DOCS_CLASS_PAGE_PNG"""

import datetime
import math
import random
import re
import sys
from pathlib import Path

from browser_helpers import (INTRODUCTION, PROMPT, check, console_run, docs_picture, requests_and_errors,
                             sideways_overflow, start_browser)
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

LINES = ["10 10 10", "100 100 100", "1000 1000 1000", "0"]  # the lesson's first nine samples
FIRST_SECOND = 1796821387  # 2026-12-09 13:03:07 UTC
SIGMA = 1.70783


def terminal_transcript(node, console, seed):
    """What a terminal shows for LINES: each line typed after the prompt that
    reads its first entry, the rest answering the next prompts. Returns the
    text and the samples (size, mean as printed)."""
    out, err = console_run(node, console, seed, LINES)
    assert err == "", err
    means = iter(re.findall(r"The sample mean = (\S+)\n", out))
    text, samples = INTRODUCTION, []
    for line in LINES:
        sizes = [int(size) for size in line.split()]
        text += PROMPT + line + "\n"
        for at, size in enumerate(s for s in sizes if s > 0):
            mean = next(means)
            text += ("" if at == 0 else PROMPT) + f"The sample mean = {mean}\n\n"
            samples.append((size, mean))
    return text, samples


def expected_figures(runs):
    """Per size: samples, beyond |z| > 3; pooled: rolls and mean to 4 decimals."""
    sizes = {}
    for samples in runs:
        for size, mean in samples:
            z = (float(mean) - 3.5) / (SIGMA / math.sqrt(size))
            counted, beyond = sizes.get(size, (0, 0))
            sizes[size] = (counted + 1, beyond + (abs(z) > 3))
    rolls = sum(size for samples in runs for size, _ in samples)
    total = sum(size * float(mean) for samples in runs for size, mean in samples)
    return sizes, rolls, f"{total / rolls:.4f}"


def paste(browser, text):
    """Puts `text` in the field and tallies it at once (not after the pause in
    typing); returns how long the page took to tally and show it, in ms."""
    return browser.execute_script(
        "const area = document.getElementById('texts'); area.value = arguments[0];"
        "const start = performance.now(); update(); return performance.now() - start;", text)


def paste_one_at_a_time(browser, pieces):
    """Empties the field, then pastes each piece at its end with a real Ctrl+V,
    as a teacher copies one student's text after another."""
    browser.execute_script("document.getElementById('texts').value = '';")
    area = browser.find_element(By.ID, "texts")
    for piece in pieces:
        browser.execute_script("return navigator.clipboard.writeText(arguments[0]);", piece)
        area.send_keys(Keys.CONTROL, Keys.END)
        area.send_keys(Keys.CONTROL, "v")
    WebDriverWait(browser, 10).until(lambda _: browser.execute_script(
        "return document.getElementById('texts').value.length") == sum(len(piece) for piece in pieces))


def figures(browser):
    """What the page shows of runs, sizes, pooled figures, marks and faces, read at one moment."""
    return browser.execute_script(
        "const text = (selector) => [...document.querySelectorAll(selector)].map((element) => element.textContent);"
        "return [text('#runs-pasted, #runs-counted, #pooled, #faces-summary, #picture-description'),"
        "        text('#per-size tbody tr'), text('#points tbody tr'), text('#faces tbody tr')];")


def main():
    page, console, node, screenshots = sys.argv[1:5]
    screenshots = Path(screenshots)
    # A class of 30: 25 students in a console (students 1 and 2 in one second),
    # 5 with record sheets.
    seconds = [FIRST_SECOND + offset for offset in [0, 1, 1] + list(range(2, 25))]
    transcripts = [terminal_transcript(node, console, second) for second in seconds]
    def page_text(run):
        """The page's Copy text of a run that did not type 0: ending on the open prompt,
        as the page gave it before (with no line end), or as it gives it now."""
        started = datetime.datetime.fromtimestamp(seconds[run], datetime.timezone.utc)
        return f"Run started {started:%Y-%m-%d %H:%M:%S} +00:00\n" + transcripts[run][0].rsplit("0\n", 1)[0]

    record_sheet = [(10, "3.6"), (10, "3.1"), (100, "3.41"), (1000, "3.522")]
    faces = [(1, "6"), (1, "2"), (1, "6"), (1, "5")]
    # The runs as consoles show them (run 4 without its title and padded with
    # blanks), run 3 twice, runs 0 and 5 also as page texts (run 0's with no
    # line end, so that run 5's start is glued to its prompt), a record sheet
    # with single rolls, and a line that is none of these.
    pieces = [f"Student {index}\n{transcript}" for index, (transcript, _) in enumerate(transcripts)]
    untitled = pieces[4].split(PROMPT, 1)
    pieces[4] = untitled[0].splitlines()[0] + "\n" + "\n".join(
        f"  {line}   " for line in (PROMPT + untitled[1]).split("\n"))
    pieces += [f"Student 3 again\n{transcripts[3][0]}", page_text(0), page_text(5) + "\n",
               "Zoe\n" + "".join(f"{size} {mean}\n" for size, mean in record_sheet + faces),
               "\nthe die felt heavy\n"]
    made_up = random.Random(1209)
    sheets = [[(size, f"{made_up.randint(size, 6 * size) / size:g}") for size in (10, 10, 100, 1000)]
              for _ in range(4)]
    pieces[-2:-2] = [f"Student {len(transcripts) + index}\n" + "".join(f"{size} {mean}\n" for size, mean in sheet)
                     for index, sheet in enumerate(sheets)]
    counted = [samples for index, (_, samples) in enumerate(transcripts) if index != 2] + sheets + [record_sheet + faces]
    check(len(counted) == 30, f"{len(counted)} students")
    sizes, rolls, pooled_mean = expected_figures(counted)
    marks = len({(size, mean) for samples in counted for size, mean in samples})

    browser = start_browser()
    try:
        browser.get(Path(page).resolve().as_uri())
        browser.execute_cdp_cmd("Browser.grantPermissions", {"permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        WebDriverWait(browser, 30).until(lambda _: browser.execute_script("return typeof startTally") == "function")
        WebDriverWait(browser, 30).until(lambda _: paste(browser, "Ann\n10 3.5\n") >= 0 and
                                         browser.find_element(By.ID, "runs-pasted").text == "Runs pasted: 1")
        paste(browser, "".join(pieces))
        at_once = figures(browser)
        results = browser.find_element(By.ID, "results").text
        check(browser.find_element(By.ID, "runs-pasted").text == "Runs pasted: 34", results)
        check(browser.find_element(By.ID, "runs-counted").text == "Runs counted: 30", results)
        repeats = browser.find_element(By.ID, "repeats").text
        check(repeats.count("repeats") == 4 and "“Student 2” repeats “Student 1”" in repeats and
              "“Student 3 again” repeats “Student 3”" in repeats and
              "13:03:07 +00:00” repeats “Student 0”" in repeats and "repeats “Student 5”" in repeats, repeats)
        rows = [row.text.split() for row in browser.find_elements(By.CSS_SELECTOR, "#per-size tbody tr")]
        shown_sizes = {int(row[0].replace(",", "")): (int(row[1]), int(row[3])) for row in rows}
        check(shown_sizes == sizes, f"per size: {shown_sizes}, computed here: {sizes}")
        pooled = browser.find_element(By.ID, "pooled").text
        check(f"Rolls\n{rolls:,}" in pooled and f"Mean\n{pooled_mean}" in pooled, f"{pooled}\nhere: {rolls} {pooled_mean}")
        unread = browser.find_element(By.ID, "unreadable").text
        check(re.fullmatch(r'Line \d+: "the die felt heavy" \(not a result\)', unread), f"lines not read: {unread!r}")
        points = browser.find_elements(By.CSS_SELECTOR, "#picture .points circle")
        check(len(points) == marks, f"{len(points)} marks, {marks} different sizes and means")
        faces_summary = browser.find_element(By.ID, "faces-summary").text
        observed = [sum(1 for _, mean in faces if mean == str(face)) for face in range(1, 7)]
        chi_square = sum((o - len(faces) / 6) ** 2 / (len(faces) / 6) for o in observed)
        check(faces_summary.startswith(f"{len(faces)} single rolls. Chi-square = {chi_square:.2f}, "
                                       "with 5 degrees of freedom"), faces_summary)
        face_rows = [row.text.split() for row in browser.find_elements(By.CSS_SELECTOR, "#faces tbody tr")]
        check([int(row[1]) for row in face_rows] == observed, f"faces: {face_rows}, here: {observed}")
        verdicts = re.findall(r"\b(fair|unfair|loaded|biased)\b", browser.find_element(By.TAG_NAME, "body").text, re.I)
        check(not verdicts, f"the page speaks a verdict: {verdicts}")

        # The same texts pasted one at a time, each with Ctrl+V: the same figures.
        paste_one_at_a_time(browser, pieces)
        WebDriverWait(browser, 10).until(lambda _: figures(browser) == at_once)

        urls, errors = requests_and_errors(browser)
        check(urls <= {browser.current_url}, f"requests: {urls}")
        check(not errors, f"the console holds {errors}")

        screenshots.mkdir(parents=True, exist_ok=True)
        browser.set_window_size(1100, 2400)
        browser.save_screenshot(str(screenshots / "class-light.png"))
        browser.execute_cdp_cmd("Emulation.setEmulatedMedia",
                                {"features": [{"name": "prefers-color-scheme", "value": "dark"}]})
        browser.save_screenshot(str(screenshots / "class-dark.png"))
        overflow = sideways_overflow(browser, 320)
        check(overflow <= 0, f"sideways scrolling at 320 px: {overflow} px too wide")
        readme_picture(browser, screenshots, sys.argv[5])
        timings(browser)
    finally:
        browser.quit()
    without_scripts(page)
    print("class_page_test: the class's runs, repeats, sizes, pooled figures and faces as computed here, "
          "pasted at once and one text at a time")


def readme_picture(browser, screenshots, docs_png):
    """The picture of 30 students' made-up samples of a fair die (10, 100 and
    1,000 rolls, three each), the same whenever it is made."""
    made_up = random.Random(35)
    lines = []
    for student in range(30):
        lines.append(f"Student {student}")
        for size in (10, 10, 10, 100, 100, 100, 1000, 1000, 1000):
            total = sum(made_up.randint(1, 6) for _ in range(size))
            lines.append(f"{size} {total / size:g}")
    browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})
    browser.set_window_size(1100, 2400)
    paste(browser, "\n".join(lines) + "\n")
    made = screenshots / "docs-class-page.png"
    made.write_bytes(browser.find_element(By.CSS_SELECTOR, "figure").screenshot_as_png)
    docs_picture(made, docs_png)


def timings(browser):
    """Prints how long a class of 30 and a paste of 5 MB take to tally and show."""
    lesson = [10, 10, 10, 100, 100, 100, 1000, 1000, 1000, 10000, 10000, 10000]
    made_up = random.Random(20261209)
    class_text = "".join(f"Student {student}\n" + "".join(
        f"{size} {round(made_up.gauss(3.5, SIGMA / math.sqrt(size)) * size) / size:g}\n"
        for size in lesson) for student in range(30))
    times = sorted(paste(browser, class_text) for _ in range(5))
    check(browser.find_element(By.ID, "runs-counted").text == "Runs counted: 30", "the class of 30")
    print(f"class_page_test: 30 students' 12 samples tallied and shown in {times[2]:.1f} ms (median of 5)")
    lines, size = [], 0
    while size < 5_000_000:
        n = made_up.randint(1, 1000)
        line = f"{n} {made_up.randint(n, 6 * n) / n:.6g}\n"
        lines.append(line)
        size += len(line)
    big = "Everyone\n" + "".join(lines)
    elapsed = paste(browser, big)
    print(f"class_page_test: {len(big):,} bytes, {len(lines):,} record lines of sizes 1 to 1,000, "
          f"tallied and shown in {elapsed:.0f} ms")


def without_scripts(page):
    browser = start_browser("--blink-settings=scriptEnabled=false")
    try:
        browser.get(Path(page).resolve().as_uri())
        body = browser.find_element(By.TAG_NAME, "body").text
        check("needs JavaScript" in body, "with scripts off the class page does not say what it needs")
        check(not browser.find_element(By.ID, "texts").is_displayed(), "with scripts off the text field still shows")
    finally:
        browser.quit()


if __name__ == "__main__":
    main()
