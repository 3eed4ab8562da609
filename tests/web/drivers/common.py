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

import time

from harness import WAIT, until

BOX = """function () { const r = this.getBoundingClientRect();
  return [r.left, r.top, r.width, r.height]; }"""


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
