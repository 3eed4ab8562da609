"""Chromium, headless, over the DevTools protocol."""

import atexit
import base64
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from drivers.common import Page, Socket, stop
from harness import until

ANDROID = ("Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 "
           "(KHTML, like Gecko) Chrome/120.0.0.0 Mobile Safari/537.36")


class Chromium(Socket):
    def __init__(self, profile=None):  # a profile given is kept
        self.owned = profile is None
        self.profile = profile or tempfile.mkdtemp(prefix="qorvane-chromium-")
        port_file = Path(self.profile, "DevToolsActivePort")
        port_file.unlink(missing_ok=True)
        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--remote-debugging-port=0",
             f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        atexit.register(self.close)
        until(lambda: len(port_file.read_text().split()) == 2, what="Chromium's port")
        port, path = port_file.read_text().split()
        self.connect(f"ws://127.0.0.1:{port}{path}")

    def page(self, url, device="desktop", width=800, height=600, touch=False):
        return ChromiumPage(self, url, device, width, height, touch)

    def close(self):
        stop(self.proc)
        if self.owned:
            shutil.rmtree(self.profile, ignore_errors=True)


class ChromiumPage(Page):
    def __init__(self, browser, url, device, width, height, touch):
        self.browser = browser
        self.target = browser.send("Target.createTarget", url="about:blank")["targetId"]
        self.session = browser.send("Target.attachToTarget", targetId=self.target,
                                    flatten=True)["sessionId"]
        if device == "android":  # a phone without showOpenFilePicker (see instruments.js)
            width, height, touch = 360, 640, True
            self.send("Emulation.setUserAgentOverride", userAgent=ANDROID,
                      platform="Linux armv8l")
        self.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=device == "android")
        self.send("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5)
        self.goto(url)

    def send(self, method, **params):
        return self.browser.send(method, self.session, **params)

    def goto(self, url):
        self.send("Page.navigate", url=url)
        time.sleep(0.1)
        self.wait("document.readyState === 'complete' && !!document.body")

    def js(self, expression):
        return self.value(self.send("Runtime.evaluate", expression=expression,
                                    awaitPromise=True, returnByValue=True))

    def element(self, expression):
        return self.send("Runtime.evaluate", expression=expression)["result"]["objectId"]

    def call(self, handle, function):
        return self.value(self.send("Runtime.callFunctionOn", functionDeclaration=function,
                                    objectId=handle, returnByValue=True))

    def value(self, reply):
        if "exceptionDetails" in reply:
            raise RuntimeError(reply["exceptionDetails"])
        return reply["result"].get("value")

    def find(self, role, name=None):
        root = self.send("DOM.getDocument", depth=0)["root"]["nodeId"]
        nodes = self.send("Accessibility.queryAXTree", nodeId=root, role=role,
                          **({"accessibleName": name} if name else {}))["nodes"]
        return [self.send("DOM.resolveNode", backendNodeId=n["backendDOMNodeId"])
                ["object"]["objectId"] for n in nodes if not n.get("ignored")]

    def press(self, x, y, touch=False):
        if touch:
            self.send("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y}])
            self.send("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])
        else:
            for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
                self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                          clickCount=1)

    def key(self, shift=False):
        for kind in ("rawKeyDown", "keyUp"):
            self.send("Input.dispatchKeyEvent", type=kind, key="Tab", code="Tab",
                      windowsVirtualKeyCode=9, modifiers=8 if shift else 0)

    def set_files(self, handle, paths):
        self.send("DOM.setFileInputFiles", files=[str(p) for p in paths], objectId=handle)

    def screenshot(self, around=None):
        clip = {}
        if around:  # with a margin of 16 px
            x, y, width, height = self.box(around)
            clip = {"clip": {"x": x - 16, "y": y - 16, "width": width + 32,
                             "height": height + 32, "scale": 1}}
        return base64.b64decode(self.send("Page.captureScreenshot", **clip)["data"])

    def close(self):
        self.browser.send("Target.closeTarget", targetId=self.target)
