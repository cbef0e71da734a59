#!/usr/bin/python3
"""The browser page in headless Chromium, opened from a file as a student would
open it, through a whole session typed into its entry field: the transcript
must be byte for byte the console program's output for the same seed and
input, with each entered line echoed after its prompt (escaped as the
messages escape), under the second that seeded the run; the page must answer
while the largest samples roll and keep what was entered ahead in view, take
a key typed anywhere into its field, end the run at 0, copy and save the
transcript, make no request, log no error, and fit a phone's width; served
over HTTP it asks for nothing either, and with JavaScript off it says what it
needs. Saves screenshots at desktop and phone width.

Needs Debian's chromium, chromium-driver and python3-selenium.
Also makes the README's picture of the page, with made-up means, and fails
while docs/page.png differs from it.

Usage: page_test.py PAGE_HTML CONSOLE_JS NODE SCREENSHOT_DIR DOCS_PAGE_PNG"""

import datetime
import functools
import http.server
import math
import re
import sys
import tempfile
import threading
import time
import zoneinfo
from pathlib import Path

from browser_helpers import (INTRODUCTION, PROMPT, TIME_ZONE, check, console_run, docs_picture, requests_and_errors,
                             sideways_overflow, start_browser)
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

LARGEST = "2147483647"
BIDI = "\u202e42"  # U+202E would turn the rest of its line around
LINES = ["10", "1,000 7", BIDI, "3 2", f"{LARGEST} {LARGEST}"]  # then "1" and "0", typed ahead while rolling
AHEAD = ["1", "0"]


def expected_transcripts(node, console, seeds):
    """What the page must show for each seed that its run may have taken."""
    for seed in seeds:
        out, err = console_run(node, console, seed, LINES + AHEAD)
        means = [f"The sample mean = {mean}\n\n" for mean in re.findall(r"The sample mean = (\S+)\n", out)]
        messages = err.splitlines(keepends=True)
        assert len(means) == 6 and len(messages) == 2 and out == INTRODUCTION + PROMPT + means[0] + PROMPT + PROMPT + "".join(
            PROMPT + mean for mean in means[1:]) + PROMPT, out
        yield seed, err, (INTRODUCTION + PROMPT + "10\n" + means[0] + PROMPT + "1,000 7\n" + messages[0] + PROMPT
                          + "\\u202e42\n" + messages[1] + PROMPT + "3 2\n" + means[1] + PROMPT + means[2] + PROMPT
                          + f"{LARGEST} {LARGEST}\n" + means[3] + PROMPT + means[4] + PROMPT + "1\n" + means[5]
                          + PROMPT + "0\n")


def local_time(seed):
    return datetime.datetime.fromtimestamp(seed, zoneinfo.ZoneInfo(TIME_ZONE))


def start_line(seed):
    """The start line as the page shows it, in the browser's time zone."""
    local = local_time(seed)
    offset = local.strftime("%z")
    return f"Run started {local:%Y-%m-%d %H:%M:%S} {offset[:3]}:{offset[3:]}"


def served_over_http(browser, page):
    """The page from a web server on this machine: it asks for nothing else,
    not even an icon, and its console stays clean."""
    class QuietHandler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *arguments):
            pass

    handler = functools.partial(QuietHandler, directory=str(Path(page).parent))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        browser.get(f"http://127.0.0.1:{server.server_address[1]}/{Path(page).name}")
        WebDriverWait(browser, 30).until(
            lambda _: browser.execute_script("return document.getElementById('prompt').textContent") == PROMPT)
        time.sleep(0.5)  # for a late request, such as the icon's
        urls, errors = requests_and_errors(browser)
        others = {url for url in urls if url != browser.current_url and not url.startswith("blob:")}
        check(not others, f"over HTTP the page asked for {others}")
        check(not errors, f"over HTTP the console holds {errors}")
    finally:
        server.shutdown()


def newest_in_view(browser, page):
    """On a phone with its keyboard up (390 x 500), the newest mean stays in view
    above the entry field after the lesson's twelve samples, as on a terminal;
    a student who has scrolled up to read is left there."""
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": 390, "height": 500, "deviceScaleFactor": 1, "mobile": True})
    try:
        browser.get(Path(page).resolve().as_uri())
        shown = lambda: browser.execute_script("return document.getElementById('transcript').textContent")
        WebDriverWait(browser, 30).until(lambda _: "sigma" in shown())
        entry = browser.find_element(By.ID, "entry")
        for line in ("10 10 10", "100 100 100", "1000 1000 1000", "10000 10000 10000"):
            entry.send_keys(line + Keys.ENTER)
        WebDriverWait(browser, 30).until(lambda _: shown().count("The sample mean") == 12)
        placed = browser.execute_script(
            "const means = [...document.querySelectorAll('#transcript .output')]"
            "  .filter((piece) => piece.textContent.includes('The sample mean'));"
            "const newest = means[means.length - 1].getBoundingClientRect();"
            "const entry = document.getElementById('entry-area').getBoundingClientRect();"
            "return [newest.top, newest.bottom, entry.top, innerHeight];")
        top, bottom, entry_top, height = placed
        check(0 <= top and bottom <= entry_top + 1 and entry_top <= height,
              f"the newest mean is out of view at 390x500: {placed}")
        browser.execute_script("scrollTo(0, 0)")
        entry.send_keys("1" + Keys.ENTER)
        WebDriverWait(browser, 30).until(lambda _: shown().count("The sample mean") == 13)
        check(browser.execute_script("return scrollY") == 0, "the page scrolled away from what the student read")
        # A run not ended yet is handed in as shown, its open prompt ended by a line end.
        copied = browser.execute_script(
            "window.copied = null;"
            "navigator.clipboard.writeText = (text) => { window.copied = text; return Promise.resolve(); };"
            "document.getElementById('copy').click();"
            "return document.getElementById('run-started').textContent + '\\n' +"
            "  document.getElementById('transcript').textContent + document.getElementById('prompt').textContent;")
        WebDriverWait(browser, 5).until(lambda _: browser.execute_script("return window.copied") is not None)
        check(copied.endswith(PROMPT) and browser.execute_script("return window.copied") == copied + "\n",
              "an unfinished run is not handed in as shown")
        _, errors = requests_and_errors(browser)  # and the logs emptied for the next part
        check(not errors, f"the console holds {errors}")
    finally:
        browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def readme_picture(browser, page, screenshots, docs_png):
    """The page after two samples, its start line and means made up (the
    README's session), with no caret: the same picture whenever it is made."""
    browser.set_window_size(1100, 760)
    browser.get(Path(page).resolve().as_uri())
    shown = lambda: browser.execute_script("return document.getElementById('transcript').textContent")
    WebDriverWait(browser, 30).until(lambda _: "sigma" in shown())
    entry = browser.find_element(By.ID, "entry")
    for means, line in enumerate(("10", "100"), 1):
        entry.send_keys(line + Keys.ENTER)
        WebDriverWait(browser, 30).until(lambda _, means=means: shown().count("The sample mean") == means)
    browser.execute_script(
        "document.getElementById('run-started').textContent = 'Run started 2026-12-09 14:03:07 +01:00';"
        "const means = ['2.7', '3.43'];"
        "for (const piece of document.querySelectorAll('#transcript .output')) {"
        "  if (piece.textContent.startsWith('The sample mean = ')) piece.textContent = `The sample mean = ${means.shift()}\\n`;"
        "}"
        "document.activeElement.blur(); document.getElementById('entry').style.caretColor = 'transparent';"
        "scrollTo(0, 0);")
    made = screenshots / "docs-page.png"
    made.write_bytes(browser.get_screenshot_as_png())
    docs_picture(made, docs_png)
    requests_and_errors(browser)  # the logs emptied for the next part


def without_javascript(page):
    browser = start_browser("--blink-settings=scriptEnabled=false")
    try:
        browser.get(Path(page).resolve().as_uri())
        check("runs the experiment with JavaScript" in browser.find_element(By.TAG_NAME, "body").text,
              "with JavaScript off the page does not say what it needs")
        check(not browser.find_element(By.ID, "entry").is_displayed(), "with JavaScript off a dead field shows")
    finally:
        browser.quit()


def main():
    page, console, node, screenshots = sys.argv[1:5]
    browser = start_browser()
    try:
        run_session(browser, page, lambda seeds: expected_transcripts(node, console, seeds), Path(screenshots))
        newest_in_view(browser, page)
        readme_picture(browser, page, Path(screenshots), sys.argv[5])
        served_over_http(browser, page)
    finally:
        browser.quit()
    without_javascript(page)
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
    check(not browser.find_elements(By.ID, "start"), "the starting message stays once the program prompts")
    # The version below everything, and the licenses behind a closed disclosure.
    about = browser.find_element(By.ID, "about")
    check(re.fullmatch(r"die-fairness \d+\.\d+\.\d+( \(commit [0-9a-f]+\))?", about.find_element(By.TAG_NAME, "p").text),
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
    # A shortcut in the transcript stays the page's (Ctrl+A selects, the field
    # gets nothing); a key typed after a click there goes to the field, and
    # what is entered is held until the program reads again, in order.
    ActionChains(browser).move_to_element(browser.find_element(By.ID, "transcript")).click().perform()
    ActionChains(browser).key_down(Keys.CONTROL).send_keys("a").key_up(Keys.CONTROL).perform()
    check(browser.execute_script("return document.activeElement.id") != "entry" and entry.get_attribute("value") == "",
          "Ctrl+A in the transcript went to the field")
    ActionChains(browser).key_down(Keys.ALT).send_keys("a").key_up(Keys.ALT).perform()
    check(browser.execute_script("return document.activeElement.id") != "entry", "Alt+A in the transcript went to the field")
    for count, line in enumerate(AHEAD, 1):
        ActionChains(browser).send_keys(line + Keys.ENTER).perform()
        check(status() == f"Rolling… Entered ahead: {' | '.join(AHEAD[:count])}", f"status while rolling: {status()!r}\n{shown()}")
    # What was entered ahead stays in view, on a laptop and on a phone with its keyboard up.
    for width, height in ((1280, 800), (390, 500)):
        browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 500})
        browser.execute_script("scrollTo(0, 0)")
        in_view = browser.execute_script(
            "const box = document.getElementById('status').getBoundingClientRect();"
            "return box.top >= 0 && box.bottom <= innerHeight;")
        check(in_view or not status().startswith("Rolling"), f"the status is out of view at {width}x{height}")
    browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    wait.until(lambda _: not browser.find_elements(By.ID, "entry"))
    check(status() == "The run has ended. Reload the page to start a new one.", f"at the end: {status()!r}")
    seeds = range(math.floor(started), math.floor(prompted) + 1)
    messages = browser.execute_script(
        "return [...document.querySelectorAll('#transcript .message')].map(m => m.textContent).join('');")
    seed = next((seed for seed, err, transcript in expected(seeds) if shown() == transcript and messages == err), None)
    check(seed is not None, f"the transcript differs from the console's for seeds {list(seeds)}:\n{shown()}")
    run_started = browser.find_element(By.ID, "run-started").text
    check(run_started == start_line(seed), f"{run_started!r} is not the second that seeded the run ({seed})")
    hand_in(browser, run_started + "\n" + shown(), seed, screenshots)

    urls, errors = requests_and_errors(browser)
    check(all(url == browser.current_url or url.startswith("blob:") for url in urls), f"requests: {urls}")
    check(not errors, f"the console holds {errors}")

    for width in (390, 320):
        overflow = sideways_overflow(browser, width)
        check(overflow <= 0, f"sideways scrolling at {width} px: {overflow} px too wide")
        if width == 390:
            browser.execute_cdp_cmd("Emulation.setEmulatedMedia",
                                    {"features": [{"name": "prefers-color-scheme", "value": "dark"}]})
            browser.save_screenshot(str(screenshots / "page-phone-dark.png"))
    browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})


def hand_in(browser, text, seed, screenshots):
    """Copy and Save give the start line and the transcript as shown: copied
    through the clipboard, or where it is refused, selected for Ctrl+C; saved
    as a file named by the start time."""
    hand_in_status = lambda: browser.find_element(By.ID, "hand-in-status").text
    browser.execute_script(
        "window.copied = null;"
        "navigator.clipboard.writeText = (text) => { window.copied = text; return Promise.resolve(); };")
    browser.find_element(By.ID, "copy").click()
    WebDriverWait(browser, 5).until(lambda _: hand_in_status().startswith("Copied"))
    check(browser.execute_script("return window.copied") == text, "the copied text is not the transcript")

    browser.execute_script(
        "navigator.clipboard.writeText = () => Promise.reject(new Error('refused'));"
        "document.execCommand = () => false;")
    browser.find_element(By.ID, "copy").click()
    WebDriverWait(browser, 5).until(lambda _: "Ctrl+C" in hand_in_status())
    check(browser.execute_script(
        "const area = document.getElementById('copy-by-hand');"
        "return !area.hidden && area.value === arguments[0] && area.selectionEnd === arguments[0].length;", text),
        "with the clipboard refused, the transcript is not selected for copying by hand")

    with tempfile.TemporaryDirectory() as directory:
        browser.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": directory})
        browser.find_element(By.ID, "save").click()
        name = f"die-fairness-run-{local_time(seed):%Y-%m-%d-%H%M%S}.txt"
        saved = Path(directory) / name
        WebDriverWait(browser, 10).until(lambda _: saved.exists() and saved.read_text(encoding="utf-8") == text)
        check(hand_in_status() == f"Asked the browser to save {name}: look in your Downloads folder (or where your "
              "browser saves files). If it is not there, use Copy transcript.", f"after saving: {hand_in_status()!r}")


if __name__ == "__main__":
    main()
