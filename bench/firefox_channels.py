#!/usr/bin/python3
"""The cases of tests/page_channels_test.py in Firefox ESR, driven through its
WebDriver BiDi port: each prints whether the student rolls (or the teacher
hands in a text), or what the start-failure message says. Not a test of CI's
(Firefox is not among its packages): a report of what Firefox does.

Needs the wasm build, firefox-esr and python3-websocket.
Usage: bench/firefox_channels.py"""

import json
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
sys.path.insert(0, str(ROOT / "bench"))
from firefox_bidi import Firefox  # noqa: E402
from page_channels_test import CASES, NO_SCRIPT, Handler, Server  # noqa: E402


def context_of(browser, framed):
    """The page's browsing context: the tab's, or its frame's."""
    if not framed:
        return browser.context
    for _ in range(100):
        tree = browser.call("browsingContext.getTree", root=browser.context)["contexts"][0]
        if tree.get("children"):
            return tree["children"][0]["context"]
        time.sleep(0.1)
    raise TimeoutError("no frame")


def evaluate(browser, context, expression):
    result = browser.call("script.evaluate", expression=expression, target={"context": context}, awaitPromise=True)
    return result["result"].get("value") if result["type"] == "success" else f"exception {result['exceptionDetails']['text']}"


def until(browser, context, expression, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        value = evaluate(browser, context, expression)
        if value:
            return value
        time.sleep(0.1)
    return None


def run_case(browser, port, case):
    name, page, _, sandbox, remove, expect = case
    preload = browser.call("script.addPreloadScript", functionDeclaration=f"() => {{ delete window.{remove}; }}")["script"] \
        if remove else None
    try:
        framed = sandbox is not None
        browser.open(f"http://127.0.0.1:{port}/{'frame' if framed else 'page'}?case={name}")
        context = context_of(browser, framed)
        ready = "entry" if page == "student" else "paste"
        shown = f"(() => {{ const e = document.getElementById('{ready}'); return !!e && e.offsetParent !== null; }})()"
        if expect == "rolls":
            if not until(browser, context, shown):
                return f"did not start: {evaluate(browser, context, 'document.body.innerText.slice(0, 200)')!r}"
            if page == "class":  # a real Ctrl+V: Firefox gives a script's own paste event no data
                box = json.loads(evaluate(browser, context, "JSON.stringify((() => { const r = document.getElementById('texts')"
                                                            ".getBoundingClientRect(); return [r.x + 20, r.y + 20]; })())"))
                browser.call("input.performActions", context=context, actions=[{"type": "pointer", "id": "mouse", "actions": [
                    {"type": "pointerMove", "x": int(box[0]), "y": int(box[1]), "origin": "viewport"},
                    {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]}])
                copied = evaluate(browser, context, "navigator.clipboard.writeText('Ann\\n10 3.7\\n').then(() => 'copied', String)")
                browser.call("input.performActions", context=context, actions=[{"type": "key", "id": "keyboard", "actions": [
                    {"type": "keyDown", "value": "\ue009"}, {"type": "keyDown", "value": "v"}, {"type": "keyUp", "value": "v"},
                    {"type": "keyUp", "value": "\ue009"}]}])
                if copied != "copied":
                    return f"takes a hand-in, but not by this test's clipboard: {copied}"
                return "hands in: " + str(until(browser, context, "(() => { const t = document.getElementById('runs-counted').textContent; return t.endsWith(' 1') && t; })()", 10))
            box = json.loads(evaluate(browser, context, "JSON.stringify((() => { const r = document.getElementById('entry')"
                                                        ".getBoundingClientRect(); return [r.x + 5, r.y + 5]; })())"))
            evaluate(browser, context, "document.getElementById('entry').focus()")
            browser.call("input.performActions", context=context, actions=[{"type": "key", "id": "keyboard", "actions": [
                {"type": "keyDown", "value": "3"}, {"type": "keyUp", "value": "3"},
                {"type": "keyDown", "value": "\ue007"}, {"type": "keyUp", "value": "\ue007"}]}])
            rolled = until(browser, context, "document.getElementById('transcript').textContent.includes('The sample mean = ')")
            evaluate(browser, context, "document.getElementById('save').click()")
            saved = until(browser, context, "document.getElementById('hand-in-status').textContent", 5)
            return f"rolls: {bool(rolled)} (field at {box[0]:.0f},{box[1]:.0f}); Save says {saved!r}"
        time.sleep(2)
        message = evaluate(browser, context, "(document.getElementById('start') || {innerText: 'no message'}).innerText")
        dead = evaluate(browser, context, shown)
        kind = "as the page's own words" if expect is NO_SCRIPT else f"expected {expect!r}"
        return f"message ({kind}): {message.splitlines()[0]!r}; a dead field: {dead}"
    finally:
        if preload:
            browser.call("script.removePreloadScript", script=preload)


def main():
    Server.pages = {"student": (ROOT / "build/wasm/die-fairness.html").read_bytes(),
                    "class": (ROOT / "build/wasm/die-fairness-class.html").read_bytes()}
    server = Server(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    browser = Firefox()
    try:
        print(f"Firefox {browser.version}")
        for case in CASES:
            try:
                print(f"{case[0]}: {run_case(browser, server.server_port, case)}", flush=True)
            except (RuntimeError, TimeoutError, ValueError) as error:
                print(f"{case[0]}: not driven: {error}", flush=True)
    finally:
        browser.quit()
        server.shutdown()


if __name__ == "__main__":
    main()
