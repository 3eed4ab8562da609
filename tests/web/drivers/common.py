"""What every engine's Page offers, built on its driver's few calls:

  goto(url)                    navigate and wait for the load
  js(expression)               its value (JSON), promises awaited
  element(expression)          a handle (the driver's reference) of an element
  call(handle, function)       `function` (JS source) called on the element
  find(role, name)             handles of elements by accessible role and name
  press(x, y, touch)           a real mouse click or touch tap at a point
  key(shift)                   a real Tab (or Shift+Tab) key press
  set_files(handle, paths)     a file input's files, as a user would choose
  screenshot(around)           PNG bytes of the viewport, or around an element id
"""

import itertools
import json
import subprocess
import time

import websocket

from harness import WAIT, until


def stop(process):
    """Ends a browser or driver process, forcibly if it will not go."""
    process.terminate()
    try:
        process.wait(10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class Socket:
    """JSON messages over a websocket (DevTools, WebDriver BiDi), each
    answered by id."""

    def connect(self, url):  # no Origin header: Firefox refuses one
        self.ids = itertools.count(1)
        self.ws = websocket.create_connection(url, suppress_origin=True)
        return self.ws

    def send(self, method, session=None, **params):
        message = {"id": next(self.ids), "method": method, "params": params}
        if session:
            message["sessionId"] = session
        self.ws.send(json.dumps(message))
        self.ws.settimeout(WAIT)
        reply = {}
        while reply.get("id") != message["id"]:
            reply = json.loads(self.ws.recv())
        if "error" in reply:
            raise RuntimeError(f"{method}: {reply['error']} {reply.get('message', '')}")
        return reply["result"]


class Page:
    def wait(self, expression, timeout=WAIT):
        """The expression's value once true."""
        return until(lambda: self.js(expression), timeout, expression)

    def box(self, target):
        """[left, top, width, height] of an element by id, or by (role, name)."""
        if isinstance(target, str):
            handle = self.element(f"document.getElementById({target!r})")
        else:
            handle = until(lambda: self.find(*target), what=f"{target}")[0]
        return self.call(handle, "function () { const r = this.getBoundingClientRect();"
                                 " return [r.left, r.top, r.width, r.height]; }")

    def click(self, target, touch=False):
        """A real click (or tap) at the centre of the element."""
        x, y, width, height = self.box(target)
        self.press(x + width / 2, y + height / 2, touch)

    def tab(self, shift=False):
        self.key(shift)
        time.sleep(0.05)


class W3CActions:
    """press() and key() as WebDriver actions, which WebDriver BiDi and
    classic WebDriver take alike; the page's perform(source) sends them."""

    def press(self, x, y, touch=False):
        kind = "touch" if touch else "mouse"
        self.perform({"type": "pointer", "id": kind, "parameters": {"pointerType": kind},
                      "actions": [{"type": "pointerMove", "x": round(x), "y": round(y)},
                                  {"type": "pointerDown", "button": 0},
                                  {"type": "pointerUp", "button": 0}]})

    def key(self, shift=False):
        keys = ["\ue008", "\ue004"] if shift else ["\ue004"]  # Shift, Tab
        self.perform({"type": "key", "id": "keyboard", "actions": [
            *({"type": "keyDown", "value": k} for k in keys),
            *({"type": "keyUp", "value": k} for k in reversed(keys))]})
