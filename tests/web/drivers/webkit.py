"""WebKitGTK's MiniBrowser under Xvfb, over classic WebDriver (Debian's
WebKitWebDriver). The session has one window: each page navigates it afresh."""

import atexit
import base64
import json
import os
import shutil
import subprocess
import tempfile
import urllib.error
import urllib.request

from drivers.common import Page, W3CActions, stop
from harness import WAIT, free_port, until

MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"
# WebDriver finds no element by role: the elements that may have each role
# are found, then checked by their computed role and label.
CANDIDATES = {
    "button": "button, [role=button]",
    "dialog": "dialog, [role=dialog]",
    "alertdialog": "[role=alertdialog]",
    "radio": "input[type=radio], [role=radio]",
}
# Whether an element is in the accessibility tree: rendered, not hidden
# from it, and not inert (outside an open modal dialog).
SHOWN = """function () {
  const modal = [...document.querySelectorAll(':modal')].pop();
  return this.getClientRects().length > 0 && !this.closest('[hidden], [inert], [aria-hidden=true]')
      && (!modal || modal.contains(this));
}"""


class WebKit:
    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="qorvane-webkit-")
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0",
                                      "1280x1024x24", "-nolisten", "tcp"], pass_fds=[write],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            display = pipe.readline().strip()
        port = free_port()
        self.driver = subprocess.Popen(
            ["WebKitWebDriver", f"--port={port}"], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=f":{display}",
                                                HOME=self.home, XDG_CACHE_HOME=self.home,
                                                XDG_DATA_HOME=self.home,
                                                XDG_CONFIG_HOME=self.home))
        atexit.register(self.close)
        self.url = f"http://127.0.0.1:{port}"
        until(lambda: self.send("GET", "/status"), what="WebKitWebDriver")
        self.url += "/session/" + self.send("POST", "/session", {"capabilities": {
            "alwaysMatch": {"webkitgtk:browserOptions": {"binary": MINIBROWSER,
                                                         "args": ["--automation"]}}}})["sessionId"]

    def send(self, method, path, body=None):
        data = json.dumps(body or {}).encode() if method == "POST" else None
        request = urllib.request.Request(self.url + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=WAIT) as answer:
                return json.loads(answer.read())["value"]
        except urllib.error.HTTPError as error:
            raise RuntimeError(f"{method} {path}: {error.read()[:500]!r}") from None

    def page(self, url, device="desktop", width=800, height=600, touch=False):
        return WebKitPage(self, url, width, height)

    def close(self):
        try:  # the session's end closes MiniBrowser
            self.send("DELETE", "")
        except Exception:
            pass
        stop(self.driver)
        stop(self.xvfb)
        shutil.rmtree(self.home, ignore_errors=True)


class WebKitPage(W3CActions, Page):
    def __init__(self, browser, url, width, height):
        self.send = browser.send
        for _ in range(3):  # the window sized so that its viewport is width × height
            inner = self.execute("return [innerWidth, innerHeight];")
            outer = self.send("GET", "/window/rect")
            if inner != [width, height]:
                self.send("POST", "/window/rect", {"width": width + outer["width"] - inner[0],
                                                   "height": height + outer["height"] - inner[1]})
        self.goto("about:blank")
        self.goto(url)

    def goto(self, url):
        self.send("POST", "/url", {"url": url})
        self.wait("document.readyState === 'complete' && !!document.body")

    def execute(self, script, *args):
        return self.send("POST", "/execute/sync", {"script": script, "args": list(args)})

    def js(self, expression):
        return self.execute(f"return (async () => ({expression}))();")

    def element(self, expression):
        return self.execute(f"return {expression};")[ELEMENT]

    def call(self, handle, function):
        return self.execute(f"return ({function}).call(arguments[0]);", {ELEMENT: handle})

    def find(self, role, name=None):
        found = []
        for item in self.send("POST", "/elements", {"using": "css selector",
                                                     "value": CANDIDATES[role]}):
            element = item[ELEMENT]
            if (self.call(element, SHOWN)  # (a hidden one has no computed role)
                    and self.send("GET", f"/element/{element}/computedrole") == role
                    and name in (None, self.send("GET", f"/element/{element}/computedlabel"))):
                found.append(element)
        return found

    def perform(self, source):
        self.send("POST", "/actions", {"actions": [source]})
        self.send("DELETE", "/actions")

    def set_files(self, handle, paths):
        self.send("POST", f"/element/{handle}/value",
                  {"text": "\n".join(str(p) for p in paths)})

    def screenshot(self, around=None):  # `around`: that element alone
        if around:
            element = self.element(f"document.getElementById({around!r})")
            return base64.b64decode(self.send("GET", f"/element/{element}/screenshot"))
        return base64.b64decode(self.send("GET", "/screenshot"))

    def close(self):
        pass
