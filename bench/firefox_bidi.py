"""Firefox ESR driven through its WebDriver BiDi port, with no geckodriver:
a headless Firefox with a profile of its own, and the few commands that the
page measurements use. Needs Debian's firefox-esr and python3-websocket."""

import itertools
import json
import shutil
import socket
import subprocess
import tempfile
import time

import websocket


class Firefox:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="die-fairness-firefox-")
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        self.process = subprocess.Popen(["firefox-esr", "--headless", "--no-remote", "--profile", self.profile,
                                         "--remote-debugging-port", str(port)],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.ids = itertools.count(1)
        deadline = time.time() + 60
        while True:
            try:
                # Firefox refuses a connection that names an origin.
                self.socket = websocket.create_connection(f"ws://127.0.0.1:{port}/session", timeout=300,
                                                          suppress_origin=True)
                break
            except (OSError, websocket.WebSocketException):
                if time.time() > deadline:
                    raise
                time.sleep(0.2)
        self.version = self.call("session.new", capabilities={})["capabilities"]["browserVersion"]
        self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]

    def call(self, method, **params):
        number = next(self.ids)
        self.socket.send(json.dumps({"id": number, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == number:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}: {message.get('message')}")
                return message["result"]

    def open(self, url):
        self.call("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def evaluate(self, expression):
        result = self.call("script.evaluate", expression=expression, target={"context": self.context},
                           awaitPromise=True)
        if result["type"] == "exception":
            raise RuntimeError(result["exceptionDetails"]["text"])
        return result["result"].get("value")

    def click(self, x, y):
        self.call("input.performActions", context=self.context, actions=[{"type": "pointer", "id": "mouse", "actions": [
            {"type": "pointerMove", "x": int(x), "y": int(y)}, {"type": "pointerDown", "button": 0},
            {"type": "pointerUp", "button": 0}]}])

    def control_key(self, key):
        control = "\ue009"
        self.call("input.performActions", context=self.context, actions=[{"type": "key", "id": "keyboard", "actions": [
            {"type": "keyDown", "value": control}, {"type": "keyDown", "value": key}, {"type": "keyUp", "value": key},
            {"type": "keyUp", "value": control}]}])

    def set_files(self, selector, paths):
        node = self.call("script.evaluate", expression=f"document.querySelector({json.dumps(selector)})",
                         target={"context": self.context}, awaitPromise=False, resultOwnership="root")["result"]
        self.call("input.setFiles", context=self.context, element={"sharedId": node["sharedId"]},
                  files=[str(path) for path in paths])

    def quit(self):
        try:
            self.socket.close()
        finally:
            self.process.kill()
            self.process.wait()
            shutil.rmtree(self.profile, ignore_errors=True)
