#!/usr/bin/python3
"""Both pages wherever a teacher puts them, in headless Chromium: served by a
web server on this machine with a learning platform's headers (security
policies, a sandbox, nosniff), in a frame of another origin with each sandbox
a platform uses, and in a browser without Worker or WebAssembly. In each case
the student can roll (the teacher can hand in a text), or the page shows its
start-failure message with the cause where it can tell it, and no field that
does nothing; Save and Copy say only what is true.

Usage: page_channels_test.py STUDENT_PAGE_HTML CLASS_PAGE_HTML"""

import http.server
import sys
import threading
import time
import urllib.parse
from pathlib import Path

from browser_helpers import check, start_browser
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

# What a case's page is served with, and how it is opened: directly, or in a
# frame of another origin with a sandbox; `remove` deletes a global before the
# page's scripts run. `expect` is "rolls", or the words the failure message
# must hold (None: the page's own words, as no script of it may run).
NO_SCRIPT = None
CASES = [
    # name, page, headers, frame sandbox (None: no frame), remove, expect
    ("served_as_html", "student", {}, None, None, "rolls"),
    ("nosniff", "student", {"X-Content-Type-Options": "nosniff"}, None, None, "rolls"),
    ("policy_default_src_none", "student", {"Content-Security-Policy": "default-src 'none'"}, None, None, NO_SCRIPT),
    ("policy_script_src_self", "student", {"Content-Security-Policy": "script-src 'self'"}, None, None, NO_SCRIPT),
    ("policy_without_wasm_compiling", "student",
     {"Content-Security-Policy": "script-src 'unsafe-inline' blob:; worker-src blob:"}, None, None, "security policy"),
    ("policy_worker_src_none", "student",
     {"Content-Security-Policy": "script-src 'unsafe-inline' 'wasm-unsafe-eval' blob:; worker-src 'none'"}, None, None,
     "security policy"),
    ("policy_sandbox_allow_scripts", "student", {"Content-Security-Policy": "sandbox allow-scripts"}, None, None, "rolls"),
    ("frame_of_another_origin", "student", {}, "", None, "rolls"),
    ("frame_allow_scripts", "student", {}, "allow-scripts", None, "rolls"),
    ("frame_allow_scripts_same_origin", "student", {}, "allow-scripts allow-same-origin", None, "rolls"),
    ("frame_allow_scripts_downloads", "student", {}, "allow-scripts allow-downloads", None, "rolls"),
    ("frame_as_platforms_should", "student", {}, "allow-scripts allow-forms allow-downloads", None, "rolls"),
    ("no_worker", "student", {}, None, "Worker", "background scripts"),
    ("no_webassembly", "student", {}, None, "WebAssembly", "runs no WebAssembly"),
    ("class_policy_default_src_none", "class", {"Content-Security-Policy": "default-src 'none'"}, None, None, NO_SCRIPT),
    ("class_policy_without_wasm_compiling", "class", {"Content-Security-Policy": "script-src 'unsafe-inline'"}, None,
     None, "security policy"),
    ("class_no_webassembly", "class", {}, None, "WebAssembly", "runs no WebAssembly"),
    ("class_no_worker", "class", {}, None, "Worker", "rolls"),  # the tally runs on the page itself
    ("class_frame_allow_scripts", "class", {}, "allow-scripts", None, "rolls"),
]


class Server(http.server.ThreadingHTTPServer):
    pages = {}


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *arguments):
        pass

    def do_GET(self):
        url = urllib.parse.urlparse(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        case = next((case for case in CASES if case[0] == query.get("case")), None)
        if case is None or url.path not in ("/frame", "/page"):  # the icon the course page asks for
            self.send_error(404)
            return
        if url.path == "/frame":  # the platform's course page, another origin than the page's
            sandbox = "" if case[3] == "" else f' sandbox="{case[3]}"'
            body = (f'<!doctype html><title>course</title><iframe id="lesson" src="http://localhost:{self.server.server_port}'
                    f'/page?case={case[0]}"{sandbox} style="width:900px;height:700px"></iframe>').encode()
            headers = {}
        else:
            body = self.server.pages[case[1]]
            headers = case[2]
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def run_case(browser, port, case):
    name, page, _, sandbox, remove, expect = case
    script = browser.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                     {"source": f"delete window.{remove};" if remove else ""})
    try:
        framed = sandbox is not None
        browser.get(f"http://127.0.0.1:{port}/{'frame' if framed else 'page'}?case={name}")
        if framed:
            WebDriverWait(browser, 10).until(lambda _: browser.find_elements(By.ID, "lesson"))
            browser.switch_to.frame(browser.find_element(By.ID, "lesson"))
        ready = "entry" if page == "student" else "paste"
        if expect == "rolls":
            WebDriverWait(browser, 20).until(lambda _: visible(browser, ready))
            check(not browser.find_elements(By.ID, "start"), f"{name}: the starting message stays")
            if page == "student":
                rolls_and_hands_in(browser, name, framed_sandbox=sandbox)
            else:
                browser.execute_script(
                    "const data = new DataTransfer(); data.setData('text/plain', 'Ann\\n10 3.7\\n');"
                    "document.dispatchEvent(new ClipboardEvent('paste', {clipboardData: data, bubbles: true}));")
                WebDriverWait(browser, 10).until(
                    lambda _: browser.find_element(By.ID, "runs-counted").text == "Runs counted: 1")
        else:
            message = lambda: browser.find_element(By.ID, "start").text
            if expect is NO_SCRIPT:
                time.sleep(1.5)  # what a script would have done by now
                check("cannot run here: download" in message(), f"{name}: the message says {message()!r}")
            else:
                WebDriverWait(browser, 20).until(
                    lambda _: "failed" in browser.find_element(By.ID, "start").get_attribute("class"))
                check(expect in message() and "download" in message(), f"{name}: the message says {message()!r}")
            check(not visible(browser, ready), f"{name}: a field that does nothing shows")
            if page == "student":  # Enter in a field that is not there reloads nothing
                browser.find_element(By.TAG_NAME, "body").send_keys("10" + Keys.ENTER)
                check(browser.find_elements(By.ID, "start"), f"{name}: the message went away")
    finally:
        browser.switch_to.default_content()
        browser.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": script["identifier"]})


def visible(browser, element_id):
    found = browser.find_elements(By.ID, element_id)
    return bool(found) and found[0].is_displayed()


def rolls_and_hands_in(browser, name, framed_sandbox):
    """The student rolls with Enter; Copy and Save say what happened."""
    entry = browser.find_element(By.ID, "entry")
    check(entry.get_attribute("aria-label"), f"{name}: the field has no name")
    entry.send_keys("3" + Keys.ENTER)
    WebDriverWait(browser, 20).until(
        lambda _: "The sample mean = " in browser.find_element(By.ID, "transcript").text)
    status = lambda: browser.find_element(By.ID, "hand-in-status").text
    browser.find_element(By.ID, "copy").click()
    WebDriverWait(browser, 5).until(lambda _: status())
    copied = status().startswith("Copied")
    by_hand = browser.execute_script("const box = document.getElementById('copy-by-hand');"
                                     "return !box.hidden && box.value.includes('The sample mean = ');")
    check(copied or (status().startswith("This browser refused to copy") and by_hand),
          f"{name}: after Copy: {status()!r}")
    browser.find_element(By.ID, "save").click()
    WebDriverWait(browser, 5).until(lambda _: status().startswith("Asked the browser to save"))
    opaque = framed_sandbox is not None and "allow-same-origin" not in framed_sandbox and framed_sandbox != ""
    check(("may not let it save files" in status()) == opaque, f"{name}: after Save: {status()!r}")
    check(not status().startswith("Saved"), f"{name}: Save claims what it cannot know")


def main():
    Server.pages = {"student": Path(sys.argv[1]).read_bytes(), "class": Path(sys.argv[2]).read_bytes()}
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    browser = start_browser()
    failed = []
    started = time.time()
    try:
        for case in CASES:
            try:
                run_case(browser, server.server_port, case)
                print(f"{case[0]}: ok", flush=True)
            except Exception as error:  # noqa: BLE001 -- every case is reported, then the test fails
                failed.append(case[0])
                print(f"{case[0]}: FAILED: {error}", flush=True)
    finally:
        browser.quit()
        server.shutdown()
    check(not failed, f"page_channels_test: {len(failed)} of {len(CASES)} cases failed: {' '.join(failed)}")
    print(f"page_channels_test: {len(CASES)} cases in {time.time() - started:.0f} s")


if __name__ == "__main__":
    main()
