"""WebKitGTK's MiniBrowser under Xvfb, over classic WebDriver (Debian's
WebKitWebDriver)."""

import atexit
import base64
import json
import os
import shutil
import subprocess
import tempfile
import time
import urllib.error
import urllib.request

from drivers.common import Element, Page, W3CActions, stop
from harness import WAIT, free_port, until

MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"
# The elements that may have a role (WebDriver finds none by role): each
# found is checked by its computed role and label.
CANDIDATES = {
    "button": "button, [role=button], input[type=button]",
    "dialog": "dialog, [role=dialog]",
    "alertdialog": "[role=alertdialog]",
    "radio": "input[type=radio], [role=radio]",
    "status": "[role=status], output",
}
# Whether an element is in the accessibility tree, which WebDriver does not
# tell: rendered, not hidden from it, not inert (outside an open modal
# dialog).
SHOWN = """function () {
  const modal = [...document.querySelectorAll(':modal')].pop();
  return this.getClientRects().length > 0 && !this.closest('[hidden], [inert], [aria-hidden=true]')
      && (!modal || modal.contains(this));
}"""


class WebKit:
    engine = "webkit"
    service_workers = True

    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="qorvane-webkit-")
        self.processes = []
        atexit.register(self.close)
        read, write = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                    "-nolisten", "tcp"], pass_fds=[write])
        os.close(write)
        with os.fdopen(read) as pipe:
            display = pipe.readline().strip()
        assert display, "Xvfb gave no display"
        port = free_port()
        environment = dict(os.environ, DISPLAY=f":{display}", HOME=self.home,
                           XDG_CACHE_HOME=f"{self.home}/cache",
                           XDG_DATA_HOME=f"{self.home}/data",
                           XDG_CONFIG_HOME=f"{self.home}/config")
        self.start(["WebKitWebDriver", f"--port={port}"], env=environment)
        self.url = f"http://127.0.0.1:{port}"
        until(lambda: self.status(), what="WebKitWebDriver")
        self.session = self.send("POST", "/session", {"capabilities": {"alwaysMatch": {
            "webkitgtk:browserOptions": {"binary": MINIBROWSER, "args": ["--automation"]},
        }}})["sessionId"]

    def start(self, command, **options):
        self.processes.append(subprocess.Popen(
            command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **options))

    def status(self):
        try:
            return self.send("GET", "/status")
        except (OSError, urllib.error.URLError):
            return None

    def send(self, method, path, body=None):
        data = json.dumps(body if body is not None else {}).encode() \
            if method == "POST" else None
        request = urllib.request.Request(self.url + path, data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=WAIT) as answer:
                return json.loads(answer.read())["value"]
        except urllib.error.HTTPError as error:
            raise RuntimeError(f"{method} {path}: {error.read()[:500]!r}") from None

    def page(self, url, device="desktop", width=800, height=600, touch=False, scale=1):
        return WebKitPage(self, url, width, height)

    def close(self):
        if getattr(self, "session", None):
            try:
                self.send("DELETE", f"/session/{self.session}")
            except Exception:
                pass
            self.session = None
        for process in reversed(self.processes):
            stop(process)
        self.processes = []
        shutil.rmtree(self.home, ignore_errors=True)


class WebKitPage(W3CActions, Page):
    """The session's one window (WebDriver has one browsing context at a
    time here): each page navigates it afresh."""

    engine = "webkit"

    def __init__(self, browser, url, width, height):
        self.browser = browser
        self.viewport(width, height)
        self.goto("about:blank")
        self.goto(url)

    def send(self, method, path, body=None):
        return self.browser.send(method, f"/session/{self.browser.session}{path}", body)

    def goto(self, url):
        self.send("POST", "/url", {"url": url})
        self.wait("document.readyState === 'complete' && !!document.body")

    def reload(self):
        self.send("POST", "/refresh")
        time.sleep(0.1)
        self.wait("document.readyState === 'complete' && !!document.body")

    def execute(self, script, *args):
        return self.send("POST", "/execute/sync", {"script": script, "args": list(args)})

    def js(self, expression):
        return self.execute(f"return (async () => ({expression}))();")

    def element(self, expression):
        return Element(self.execute(f"return {expression};")[ELEMENT])

    def call(self, handle, function):
        return self.execute(f"return (async (e) => ({function}).call(e))(arguments[0]);",
                            {ELEMENT: handle.ref})

    def find(self, role, name=None):
        found = []
        selector = CANDIDATES[role]
        for item in self.send("POST", "/elements", {"using": "css selector",
                                                     "value": selector}):
            element = Element(item[ELEMENT])
            if not self.call(element, SHOWN):  # (a hidden one has no computed role)
                continue
            if self.send("GET", f"/element/{element.ref}/computedrole") != role:
                continue
            if name and self.send("GET", f"/element/{element.ref}/computedlabel") != name:
                continue
            found.append(element)
        return found

    def perform(self, *sources):
        self.send("POST", "/actions", {"actions": list(sources)})
        self.send("DELETE", "/actions")

    def set_files(self, handle, paths):
        self.send("POST", f"/element/{handle.ref}/value",
                  {"text": "\n".join(str(p) for p in paths)})

    def screenshot(self, around=None):  # `around`: that element alone
        if around:
            return base64.b64decode(self.send(
                "GET", f"/element/{self.handle(around).ref}/screenshot"))
        return base64.b64decode(self.send("GET", "/screenshot"))

    def viewport(self, width, height):
        """The window sized so that its viewport is `width` × `height`."""
        for _ in range(3):
            try:
                inner = self.execute("return [innerWidth, innerHeight];")
                outer = self.send("GET", "/window/rect")
            except RuntimeError:
                inner, outer = [0, 0], {"width": 0, "height": 0}
            if inner == [width, height]:
                return
            self.send("POST", "/window/rect", {
                "width": width + outer["width"] - inner[0],
                "height": height + outer["height"] - inner[1]})

    def close(self):
        pass
