"""What every engine's Page offers, built on its driver's few calls:

  goto(url), reload()          navigate and wait for the load
  js(expression)               its value (JSON), promises awaited
  element(expression)          a handle of the element an expression gives
  call(handle, function)       `function` (JS source) called on the element
  find(role, name)             handles of elements by accessible role, name
  press(x, y, touch)           a real mouse click or touch tap at a point
  key(key, shift)              a real key press ("Tab")
  set_files(handle, paths)     a file input's files, as a user would choose
  screenshot(around)           PNG bytes of the viewport, or around an element
  viewport(width, height)      the layout viewport's size in CSS px
"""

import subprocess
import time

from harness import WAIT, until

BOX = """function () { const r = this.getBoundingClientRect();
  return [r.left, r.top, r.width, r.height]; }"""


def stop(process):
    """Ends a browser or driver process, forcibly if it will not go."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Element:
    """An element as a driver refers to it."""

    def __init__(self, ref):
        self.ref = ref


class Page:
    engine = "?"

    def wait(self, expression, timeout=WAIT):
        """The expression's value once true."""
        return until(lambda: self.js(expression), timeout, expression)

    def handle(self, target):
        """A handle from a handle, an element id, or (role, name)."""
        if isinstance(target, Element):
            return target
        if isinstance(target, str):
            return self.element(f"document.getElementById({target!r})")
        if isinstance(target, tuple):
            return until(lambda: self.find(*target), what=f"{target}")[0]
        raise TypeError(target)

    def box(self, target):
        return self.call(self.handle(target), BOX)

    def click(self, target, touch=False):
        """A real click (or tap) at the centre of the element."""
        x, y, width, height = self.box(target)
        self.press(x + width / 2, y + height / 2, touch)

    def tab(self, shift=False):
        self.key("Tab", shift)
        time.sleep(0.05)


class W3CActions:
    """press() and key() as WebDriver actions, which WebDriver BiDi and
    classic WebDriver take alike; the page's perform(*sources) sends them."""

    def press(self, x, y, touch=False):
        kind = "touch" if touch else "mouse"
        self.perform({"type": "pointer", "id": kind, "parameters": {"pointerType": kind},
                      "actions": [{"type": "pointerMove", "x": round(x), "y": round(y),
                                   "origin": "viewport"},
                                  {"type": "pointerDown", "button": 0},
                                  {"type": "pointerUp", "button": 0}]})

    def key(self, key, shift=False):
        assert key == "Tab"
        keys = ["\ue008", "\ue004"] if shift else ["\ue004"]  # Shift, Tab
        self.perform({"type": "key", "id": "keyboard", "actions": [
            *({"type": "keyDown", "value": k} for k in keys),
            *({"type": "keyUp", "value": k} for k in reversed(keys))]})
