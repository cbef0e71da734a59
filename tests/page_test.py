#!/usr/bin/python3
"""The browser page in headless Chromium, opened from a file as a student would
open it, through a whole session typed into its entry field: the transcript
must be byte for byte the console program's output for the same seed and
input, with each entered line echoed after its prompt; the page must answer
while the largest samples roll, end the run at 0, make no request, log no
error, and fit a phone's width. Saves screenshots at desktop and phone width.

Needs Debian's chromium, chromium-driver and python3-selenium.
Usage: page_test.py PAGE_HTML CONSOLE_JS NODE SCREENSHOT_DIR"""

import json
import math
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

LARGEST = "2147483647"
LINES = ["10", "1,000 7", "3 2", f"{LARGEST} {LARGEST}"]  # then "0", typed ahead while rolling


def dialogue_text():
    """The introduction and the prompt, as tests/dialogue_text.hpp pins them."""
    header = (Path(__file__).parent / "dialogue_text.hpp").read_text(encoding="utf-8")
    texts = {}
    for name in ("introduction", "prompt"):
        statement = re.search(name + r" =([^;]*);", header).group(1)
        texts[name] = "".join(re.findall(r'"([^"]*)"', statement)).replace("\\n", "\n")
    return texts["introduction"], texts["prompt"]


INTRODUCTION, PROMPT = dialogue_text()


def console_run(node, console, seed):
    """The console program's output and messages for the session, under Node
    with the clock pinned to the start of second `seed`."""
    with tempfile.TemporaryDirectory() as directory:
        pin = Path(directory) / "pin_clock.js"
        pin.write_text(f"Date.now = () => {seed * 1000};\n", encoding="utf-8")
        run = subprocess.run([node, "--require", str(pin), console], input="\n".join(LINES + ["0"]) + "\n",
                             capture_output=True, text=True, timeout=120, check=True)
    return run.stdout, run.stderr


def expected_transcripts(node, console, seeds):
    """What the page must show for each seed that its run may have taken."""
    for seed in seeds:
        out, err = console_run(node, console, seed)
        means = [f"The sample mean = {mean}\n\n" for mean in re.findall(r"The sample mean = (\S+)\n", out)]
        assert len(means) == 5 and out == INTRODUCTION + PROMPT + means[0] + PROMPT + "".join(
            PROMPT + mean for mean in means[1:]) + PROMPT, out
        yield err, (INTRODUCTION + PROMPT + "10\n" + means[0] + PROMPT + "1,000 7\n" + err + PROMPT + "3 2\n"
                    + means[1] + PROMPT + means[2] + PROMPT + f"{LARGEST} {LARGEST}\n" + means[3] + PROMPT
                    + means[4] + PROMPT + "0\n")


def start_browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1100,760"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def check(holds, what):
    if not holds:
        raise AssertionError(what)


def main():
    page, console, node, screenshots = sys.argv[1:5]
    browser = start_browser()
    try:
        run_session(browser, page, lambda seeds: expected_transcripts(node, console, seeds), Path(screenshots))
    finally:
        browser.quit()
    print("page_test: the whole session as the console gives it")


def run_session(browser, page, expected, screenshots):
    wait = WebDriverWait(browser, 30, poll_frequency=0.02)
    shown = lambda: browser.execute_script(
        "return document.getElementById('transcript').textContent +"
        " (document.getElementById('prompt') || {textContent: ''}).textContent")
    status = lambda: browser.find_element(By.ID, "status").text

    started = time.time()
    browser.get(Path(page).resolve().as_uri())
    wait.until(lambda _: shown().endswith(PROMPT))
    prompted = time.time()
    check(browser.execute_script("return document.activeElement.id") == "entry", "the entry field has no focus")
    # The version below everything, and the licenses behind a closed disclosure.
    about = browser.find_element(By.ID, "about")
    check(re.fullmatch(r"die-fairness \d+\.\d+\.\d+", about.find_element(By.TAG_NAME, "p").text),
          f"no version: {about.text!r}")
    check(browser.execute_script(
        "const about = document.getElementById('about'), details = about.querySelector('details');"
        "return !details.open && details.textContent.includes('MIT License') &&"
        " details.textContent.includes('musl') &&"
        " (document.getElementById('screen').compareDocumentPosition(about) & Node.DOCUMENT_POSITION_FOLLOWING);"),
        "the licenses are not behind a closed disclosure below the dialogue")

    entry = browser.find_element(By.ID, "entry")
    for line in LINES:
        if line == LINES[-1]:
            # Small samples only: this one may go in the README, which must not give the die away.
            screenshots.mkdir(parents=True, exist_ok=True)
            browser.save_screenshot(str(screenshots / "page-desktop.png"))
            browser.set_window_size(1280, 500)  # a page taller than the window, to scroll while rolling
        entry.send_keys(line + Keys.ENTER)
        if line != LINES[-1]:
            wait.until(lambda _: shown().endswith(PROMPT))

    # While two largest samples roll, the page goes on answering.
    wait.until(lambda _: status().startswith("Rolling"))
    frame_ms = browser.execute_async_script(
        "const done = arguments[0], start = performance.now();"
        "requestAnimationFrame(() => done(performance.now() - start));")
    check(frame_ms < 250, f"a frame took {frame_ms:.0f} ms while rolling")
    check(browser.execute_script("scrollTo(0, 0); scrollTo(0, 1e6); return scrollY;") > 0, "no scrolling")
    check("The sample mean" in browser.execute_script(
        "getSelection().selectAllChildren(document.getElementById('transcript'));"
        "return getSelection().toString();"), "no selecting")
    entry.click()  # back to the field from the selection, as a user would
    entry.send_keys("0" + Keys.ENTER)  # held until the program reads again
    check(status() == "Rolling… Entered ahead: 0", f"status while rolling: {status()!r}\n{shown()}")

    wait.until(lambda _: not browser.find_elements(By.ID, "entry"))
    check(status() == "The run has ended. Reload the page to start a new one.", f"at the end: {status()!r}")
    seeds = range(math.floor(started), math.floor(prompted) + 1)
    messages = browser.execute_script(
        "return [...document.querySelectorAll('#transcript .message')].map(m => m.textContent).join('');")
    check(any(shown() == transcript and messages == err for err, transcript in expected(seeds)),
          f"the transcript differs from the console's for seeds {list(seeds)}:\n{shown()}")

    requests = [json.loads(entry["message"])["message"] for entry in browser.get_log("performance")]
    urls = {m["params"]["request"]["url"] for m in requests if m["method"] == "Network.requestWillBeSent"}
    check(all(url == browser.current_url or url.startswith("blob:") for url in urls), f"requests: {urls}")
    errors = [entry for entry in browser.get_log("browser") if entry["level"] in ("SEVERE", "WARNING")]
    check(not errors, f"the console holds {errors}")

    for width in (390, 320):
        browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": width, "height": 844, "deviceScaleFactor": 2, "mobile": True})
        overflow = browser.execute_script(
            "return document.documentElement.scrollWidth - document.documentElement.clientWidth;")
        check(overflow <= 0, f"sideways scrolling at {width} px: {overflow} px too wide")
        if width == 390:
            browser.execute_cdp_cmd("Emulation.setEmulatedMedia",
                                    {"features": [{"name": "prefers-color-scheme", "value": "dark"}]})
            browser.save_screenshot(str(screenshots / "page-phone-dark.png"))


if __name__ == "__main__":
    main()
