"""What the page tests share: the dialogue's fixed text, the console program
run under Node with a pinned clock, and headless Chromium with its logs.

Needs Debian's chromium, chromium-driver and python3-selenium."""

import json
import os
import re
import subprocess
import tempfile
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# The browser's time zone: an offset of hours and minutes, as a start line shows it.
TIME_ZONE = "Asia/Kathmandu"


def dialogue_text():
    """The introduction and the prompt, as tests/dialogue_text.hpp pins them."""
    header = (Path(__file__).parent / "dialogue_text.hpp").read_text(encoding="utf-8")
    texts = {}
    for name in ("introduction", "prompt"):
        statement = re.search(name + r" =([^;]*);", header).group(1)
        texts[name] = "".join(re.findall(r'"([^"]*)"', statement)).replace("\\n", "\n")
    return texts["introduction"], texts["prompt"]


INTRODUCTION, PROMPT = dialogue_text()


def console_run(node, console, seed, lines):
    """The console program's output and messages for `lines`, under Node with
    the clock pinned to the start of second `seed`."""
    with tempfile.TemporaryDirectory() as directory:
        pin = Path(directory) / "pin_clock.js"
        pin.write_text(f"Date.now = () => {seed * 1000};\n", encoding="utf-8")
        run = subprocess.run([node, "--require", str(pin), console], input="\n".join(lines) + "\n",
                             capture_output=True, text=True, timeout=120, check=True)
    return run.stdout, run.stderr


def start_browser(*extra):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1100,760", *extra):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL", "performance": "ALL"})
    service = Service("/usr/bin/chromedriver", env={**os.environ, "TZ": TIME_ZONE})
    return webdriver.Chrome(service=service, options=options)


def requests_and_errors(browser):
    """The URLs the page asked for, and what its console logged as a warning or an error."""
    logged = [json.loads(entry["message"])["message"] for entry in browser.get_log("performance")]
    urls = {m["params"]["request"]["url"] for m in logged if m["method"] == "Network.requestWillBeSent"}
    errors = [entry for entry in browser.get_log("browser") if entry["level"] in ("SEVERE", "WARNING")]
    return urls, errors


def sideways_overflow(browser, width):
    """How far the page is wider than a phone `width` pixels wide."""
    browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                            {"width": width, "height": 844, "deviceScaleFactor": 2, "mobile": True})
    return browser.execute_script("return document.documentElement.scrollWidth - document.documentElement.clientWidth;")


def check(holds, what):
    if not holds:
        raise AssertionError(what)


def docs_picture(made, docs_png):
    """The README's picture is made here, from the page as it is built: it
    fails while docs_png differs, so that the picture cannot go stale."""
    fresh = Path(docs_png)
    check(fresh.exists() and fresh.read_bytes() == Path(made).read_bytes(),
          f"{fresh} is not what the page shows now: replace it with {made}")
