#!/usr/bin/python3
"""The teacher's class page in headless Chromium, opened from a file: pasted
console transcripts made here with pinned clocks (two of the same second, one
pasted twice, one also pasted as the student's page would give it), a record
sheet's block and a line of nonsense must give the runs, the per-size counts
and the pooled mean that this test computes itself, name the repeats and the
unread line, use no verdict word, make no request, log no error and fit 320
pixels. Prints how long 30 students' 12 samples take to tally, and saves
screenshots in light and dark.

Usage: class_page_test.py CLASS_PAGE_HTML CONSOLE_JS NODE SCREENSHOT_DIR"""

import datetime
import math
import random
import re
import sys
from pathlib import Path

from browser_helpers import (INTRODUCTION, PROMPT, check, console_run, requests_and_errors, sideways_overflow,
                             start_browser)
from selenium.webdriver.common.by import By
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
    """Pastes `text` whole; returns how long the page took to tally and show it, in ms."""
    return browser.execute_script(
        "const area = document.getElementById('texts'); area.value = arguments[0];"
        "const start = performance.now(); area.dispatchEvent(new Event('input'));"
        "return performance.now() - start;", text)


def main():
    page, console, node, screenshots = sys.argv[1:5]
    screenshots = Path(screenshots)
    seconds = [FIRST_SECOND + offset for offset in (0, 1, 1, 2, 3, 4)]
    transcripts = [terminal_transcript(node, console, second) for second in seconds]
    started = datetime.datetime.fromtimestamp(seconds[5], datetime.timezone.utc)
    page_text = f"Run started {started:%Y-%m-%d %H:%M:%S} +00:00\n" + transcripts[5][0]
    record_sheet = [(10, "3.6"), (10, "3.1"), (100, "3.41"), (1000, "3.522")]
    # Pasted: runs 0 to 5 as consoles show them, run 3 twice, run 5 also as its
    # page text, a record sheet, and a line that is none of these.
    text = "".join(f"Student {index}\n{transcript}" for index, (transcript, _) in enumerate(transcripts))
    text += f"Student 3 again\n{transcripts[3][0]}Student 5 from the page\n{page_text}"
    text += "Zoe\n" + "".join(f"{size} {mean}\n" for size, mean in record_sheet)
    text += "\nthe die felt heavy\n"
    counted = [transcripts[index][1] for index in (0, 1, 3, 4, 5)] + [record_sheet]
    sizes, rolls, pooled_mean = expected_figures(counted)

    browser = start_browser()
    try:
        browser.get(Path(page).resolve().as_uri())
        WebDriverWait(browser, 30).until(lambda _: browser.execute_script("return typeof startTally") == "function")
        WebDriverWait(browser, 30).until(lambda _: paste(browser, "Ann\n10 3.5\n") >= 0 and
                                         browser.find_element(By.ID, "runs-pasted").text == "Runs pasted: 1")
        paste(browser, text)
        results = browser.find_element(By.ID, "results").text
        check(browser.find_element(By.ID, "runs-pasted").text == "Runs pasted: 9", results)
        check(browser.find_element(By.ID, "runs-counted").text == "Runs counted: 6", results)
        repeats = browser.find_element(By.ID, "repeats").text
        check(repeats.count("repeats") == 3 and "(Student 2) repeats the run at line" in repeats and
              "(Student 3 again) repeats" in repeats and "(Student 5 from the page) repeats" in repeats, repeats)
        rows = [row.text.split() for row in browser.find_elements(By.CSS_SELECTOR, "#per-size tbody tr")]
        shown_sizes = {int(row[0].replace(",", "")): (int(row[1]), int(row[3])) for row in rows}
        check(shown_sizes == sizes, f"per size: {shown_sizes}, computed here: {sizes}")
        pooled = browser.find_element(By.ID, "pooled").text
        check(f"Rolls\n{rolls:,}" in pooled and f"Mean\n{pooled_mean}" in pooled, f"{pooled}\nhere: {rolls} {pooled_mean}")
        unread = browser.find_element(By.ID, "unreadable").text
        check(re.fullmatch(r'Line \d+: "the die felt heavy"', unread), f"lines not read: {unread!r}")
        points = browser.find_elements(By.CSS_SELECTOR, "#picture .points circle")
        check(len(points) == sum(len(samples) for samples in counted), f"{len(points)} points")
        verdicts = re.findall(r"\b(fair|unfair|loaded|biased)\b", browser.find_element(By.TAG_NAME, "body").text, re.I)
        check(not verdicts, f"the page speaks a verdict: {verdicts}")
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

        # A class of 30, each with the lesson's 12 samples: the time to tally it, printed.
        lesson = [10, 10, 10, 100, 100, 100, 1000, 1000, 1000, 10000, 10000, 10000]
        made_up = random.Random(20261209)
        class_text = "".join(f"Student {student}\n" + "".join(
            f"{size} {round(made_up.gauss(3.5, SIGMA / math.sqrt(size)) * size) / size:g}\n"
            for size in lesson) for student in range(30))
        times = sorted(paste(browser, class_text) for _ in range(5))
        check(browser.find_element(By.ID, "runs-counted").text == "Runs counted: 30", "the class of 30")
        print(f"class_page_test: 30 students' 12 samples tallied and shown in {times[2]:.1f} ms (median of 5)")
    finally:
        browser.quit()
    print("class_page_test: the class's runs, repeats, sizes and pooled mean as computed here")


if __name__ == "__main__":
    main()
