"""Firefox ESR, headless, over WebDriver BiDi, which Firefox serves itself
(no geckodriver). Its remote agent sets the profile's preferences for
automation: no updates, telemetry or first-run pages."""

import atexit
import base64
import json
import shutil
import subprocess
import tempfile

from drivers.common import Page, Socket, W3CActions, stop
from harness import free_port, until


class Firefox(Socket):
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="qorvane-firefox-")
        port = free_port()
        self.proc = subprocess.Popen(
            ["firefox-esr", "--headless", f"--remote-debugging-port={port}",
             "--profile", self.profile, "--no-remote", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        atexit.register(self.close)
        until(lambda: self.connect(f"ws://127.0.0.1:{port}/session"), what="Firefox's BiDi")
        self.send("session.new", capabilities={})

    def page(self, url, device="desktop", width=800, height=600, touch=False):
        return FirefoxPage(self, url, width, height)

    def close(self):
        stop(self.proc)
        shutil.rmtree(self.profile, ignore_errors=True)


class FirefoxPage(W3CActions, Page):
    def __init__(self, browser, url, width, height):
        self.send = browser.send
        self.context = self.send("browsingContext.create", type="tab")["context"]
        self.send("browsingContext.setViewport", context=self.context,
                  viewport={"width": width, "height": height})
        self.goto(url)

    def goto(self, url):
        self.send("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def run(self, method, ownership="none", **params):
        reply = self.send(method, awaitPromise=True, target={"context": self.context},
                          resultOwnership=ownership, **params)
        if reply["type"] == "exception":
            raise RuntimeError(reply["exceptionDetails"]["text"])
        return reply["result"]

    def js(self, expression):
        result = self.run("script.evaluate",
                          expression=f"(async () => JSON.stringify(await ({expression})))()")
        return json.loads(result["value"]) if result["type"] == "string" else None

    def element(self, expression):
        return self.run("script.evaluate", "root", expression=expression)["sharedId"]

    def call(self, handle, function):
        result = self.run("script.callFunction", arguments=[{"sharedId": handle}],
                          functionDeclaration=f"(e) => JSON.stringify(({function}).call(e))")
        return json.loads(result["value"])

    def find(self, role, name=None):
        value = {"role": role, **({"name": name} if name else {})}
        nodes = self.send("browsingContext.locateNodes", context=self.context,
                          locator={"type": "accessibility", "value": value})["nodes"]
        return [node["sharedId"] for node in nodes]

    def perform(self, source):
        self.send("input.performActions", context=self.context, actions=[source])
        self.send("input.releaseActions", context=self.context)

    def set_files(self, handle, paths):
        self.send("input.setFiles", context=self.context, element={"sharedId": handle},
                  files=[str(p) for p in paths])

    def screenshot(self, around=None):
        clip = {}
        if around:  # with a margin of 16 px
            x, y, width, height = self.box(around)
            clip = {"clip": {"type": "box", "x": x - 16, "y": y - 16, "width": width + 32,
                             "height": height + 32}}
        return base64.b64decode(self.send("browsingContext.captureScreenshot",
                                          context=self.context, **clip)["data"])

    def close(self):
        self.send("browsingContext.close", context=self.context)
