#!/usr/bin/env python3
"""The web edition in headless Chromium, driven by real mouse, key and touch
input: the window's texts, geometry, focus and keys; every message; wrong
files and cancel; conversion in place (a file in the origin's private file
system stands in for the picker's choice) and by download (the file
chooser intercepted); file errors; the ended state; offline reload; the
phone layout by touch; and that no request leaves the site.

Usage: browser_test.py [--screenshots DIR] [NAME_FILTER]"""

import json
import re
import shutil
import sys
import tempfile
import time
import traceback
from pathlib import Path

import harness as h
from harness import CONTROLS, TEXTS as T

TITLE = T["kWindowTitle"]
MIB = 0x100000
TESTS = []


def test(*rows):
    """Registers `fn` once, or once per row of `rows`."""
    def register(fn):
        for row in rows or [()]:
            row = row if isinstance(row, tuple) else (row,)
            TESTS.append((f"{fn.__name__}{list(row) if row else ''}",
                          lambda r, fn=fn, row=row: fn(r, *row)))
        return fn
    return register


def eq(actual, expected, what=""):
    assert actual == expected, f"{what}: {actual!r} != {expected!r}"


def same(got, want, what):  # bytes, told by where they differ
    if got != want:
        at = [hex(i) for i, (a, b) in enumerate(zip(got, want)) if a != b]
        raise AssertionError(f"{what}: {len(got)} bytes, not {len(want)}; "
                             f"differ at {at[:9]}")


class Run:
    """One browser and one server for all tests; the files a test chose."""

    def __init__(self, shots):
        self.server = h.Server()
        self.browser = h.Browser()
        self.scratch = Path(tempfile.mkdtemp(prefix="qorvane-web-test-"))
        self.downloads = self.scratch / "downloads"
        self.disk = self.scratch / "roms"
        self.disk.mkdir()
        self.shots = shots
        self.browser.call("Browser.setDownloadBehavior", behavior="allow",
                          downloadPath=str(self.downloads),
                          eventsEnabled=True)
        self.count = 0
        self.origins = [self.server.origin]
        self.pages = []

    def page(self, mode="picker", **kw):
        p = h.Page(self.browser, mode, **kw)
        self.pages.append(p)
        p.goto(self.server.origin + "/")
        ready(p)
        return p

    def file(self, p, edition, size=MIB):
        """A ROM image the page can be given: its name and its bytes."""
        self.count += 1
        name = f"rom{self.count}.gba"
        data = h.image(size, h.overlay(edition))
        if p.mode == "picker":
            p.make_file(name, size, h.overlay(edition))
        else:
            (self.disk / name).write_bytes(data)
        return name, data

    def stored(self, p, name):
        return p.read_file(name) if p.mode == "picker" \
            else (self.disk / name).read_bytes()


def ready(p):
    """The focus on 转 换 and the window wired (the page no longer busy)."""
    try:
        p.wait(f"document.activeElement && document.activeElement."
               f"textContent.trim() === {T['kConvertButton']!r} && "
               f"!document.body.classList.contains('busy')", 30)
    except AssertionError:
        raise AssertionError("not ready; focus on " + str(p.js(
            "document.activeElement?.outerHTML.slice(0, 99)")) + ", page: "
            + str(p.js("document.body?.innerText.slice(0, 199)"))) from None


def button(p, caption):
    return p.find("button", caption)


def browse(r, p, name):
    """浏览.., answering the picker or the file chooser with `name`
    (None: cancel)."""
    if p.mode == "picker":
        p.js(f"__pick = {json.dumps(name)}")
        p.click(button(p, T["kBrowseButton"]))
        return
    r.browser.drain()
    p.click(button(p, T["kBrowseButton"]))
    chooser = r.browser.wait_event("Page.fileChooserOpened", session=p.s)
    node = chooser["backendNodeId"]
    eq(p.on(node, "function() { return this.accept; }"), ".gba", "accept")
    if name:
        p.call("DOM.setFileInputFiles", files=[str(r.disk / name)],
               backendNodeId=node)
    else:
        p.on(node, "function() { this.dispatchEvent(new Event('cancel')); }")


ICON_COLOURS = {T["kWarningTitle"]: "yellow", T["kNoticeTitle"]: "blue",
                T["kAboutTitle"]: "blue"}


def expect_box(p, title, text="", modal_check=True):
    """Checks the box showing against `title` and the lines of `text`, its
    one button 确定 with the focus, and that keys and clicks reach nothing
    beneath; dismisses it with a click and returns the lines it showed."""
    node = p.find("alertdialog")
    eq(p.name_of(node), title, "box title")
    text_shown, buttons, focused, icon = p.on(node, """function() {
        const b = [...this.querySelectorAll('button,[role=button]')];
        const icon = this.querySelector('[aria-hidden=true]');
        return [this.innerText.replace(/\\u00a0/g, ' '),
                b.map(e => e.textContent.trim()),
                b.length === 1 && b[0] === document.activeElement,
                icon && getComputedStyle(icon).backgroundColor]; }""")
    if title in ICON_COLOURS:
        red, green, blue = (int(v) for v in re.findall(r"\d+", icon or "")[:3])
        eq(("yellow" if min(red, green) > 150 > blue else
            "blue" if blue > red + 60 else icon), ICON_COLOURS[title], "icon")
    lines, want = text_shown.split("\n"), text.split("\r")
    assert any(lines[i:i + len(want)] == want for i in range(len(lines))), \
        f"box text {lines!r} lacks the lines {want!r}"
    eq(buttons, ["确定"], "box buttons")
    assert focused, "确定 has no focus"
    for keys in (["Tab"], ["Shift", "Tab"]):
        p.key(*keys)
        assert not p.js("document.querySelector('[role=dialog]').contains("
                        "document.activeElement)"), f"{keys} left the box"
        p.on(p.find("button", "确定"), "function() { this.focus(); }")
    assert not p.find_all("dialog", TITLE), "the window beneath is not inert"
    if modal_check:  # clicks on every control the box leaves uncovered
        state = "[...document.querySelectorAll('[type=radio]')].map(e => e" \
                ".checked) + document.querySelectorAll('[role=dialog]').length"
        before = p.js(state)
        x, y, w, hgt = p.rect(node)
        controls = "document.querySelectorAll('[role=dialog] :is(input, " \
                   "button)')"
        for i in range(p.js(controls + ".length")):
            cx, cy, cw, ch = p.rect(p.element(f"{controls}[{i}]"))
            cx, cy = cx + cw / 2, cy + ch / 2
            if not (x <= cx <= x + w and y <= cy <= y + hgt):
                p.click((cx, cy))
        time.sleep(0.2)
        eq(len(p.find_all("alertdialog")), 1, "boxes after clicks beneath")
        eq(p.js(state), before, "the window reacted beneath the box")
    p.click(p.find("button", "确定"))
    until(lambda: not p.find_all("alertdialog"), "box still showing")
    return lines


def until(condition, what, timeout=10):
    end = time.time() + timeout
    while not condition():
        assert time.time() < end, what
        time.sleep(0.05)


def status(p):  # the frame's caption (read from the page: a box hides it)
    return p.js("(g => (g.querySelector('legend') || document.getElementById("
                "g.getAttribute('aria-labelledby'))).textContent)("
                "document.querySelector('[role=dialog] :is(fieldset, "
                "[role=group])'))")


def path_text(p):
    return p.js("document.querySelector('[role=dialog] input[type=text]')"
                ".value")


def ended(p):
    """The window is gone; returns what starts it again."""
    until(lambda: not p.find_all("dialog", TITLE), "window still shown")
    again = (p.find_all("button") or p.find_all("link"))
    assert again, "nothing offers to start again"
    return again[0]


def geometry(p):
    """Each control's box relative to its container in CSS px at the
    window's scale, the client size, the scale, and the window's rect."""
    for name, c in CONTROLS.items():
        if c["kind"] == "Label":
            node = p.element(
                f"[...document.querySelectorAll('[role=dialog] *')].find(e =>"
                f" !e.children.length && e.textContent === {c['caption']!r})")
        elif c["kind"] == "OptionButton":
            label = CONTROLS["Label" + name[-1]]["caption"]
            node = p.find("radio", label)
        elif c["kind"] == "Frame":
            node = p.find("group")
        elif c["kind"] == "TextBox":
            node = p.find("textbox")
        else:
            node = button(p, c["caption"])
        p.on(node, "function(n) { this.dataset.test = n; }", name)
    return p.js("""(() => {
      const q = n => document.querySelector(`[data-test=${n}]`);
      const form = %s.map(q);
      let c = form[0].parentElement;
      while (!form.every(e => c.contains(e))) c = c.parentElement;
      const r = e => e.getBoundingClientRect();
      const t = r(c).width / c.offsetWidth;  // a transform's factor
      const s = c.clientWidth * t / %d;
      const origin = {kForm: [r(c).left + c.clientLeft * t,
                              r(c).top + c.clientTop * t],
                      Frame1: [r(q('Frame1')).left, r(q('Frame1')).top]};
      const boxes = {};
      for (const [n, k] of %s) {
        const b = r(q(n));
        boxes[n] = [(b.left - origin[k][0]) / s, (b.top - origin[k][1]) / s,
                    b.width / s, b.height / s];
      }
      const d = r(document.querySelector('[role=dialog]'));
      return {boxes, scale: s, client: [Math.round(c.clientWidth * t / s),
                                        Math.round(c.clientHeight * t / s)],
              window: [d.left, d.top, d.width, d.height],
              viewport: [innerWidth, innerHeight]};
    })()""" % (
        [n for n, c in CONTROLS.items() if c["container"] == "kForm"],
        h.px(h.CLIENT[0]),
        [[n, c["container"]] for n, c in CONTROLS.items()]))


def check_layout(g):
    eq(g["client"], [h.px(CLIENT) for CLIENT in h.CLIENT], "client size")
    for name, c in CONTROLS.items():
        want = [h.px(v) for v in c["box"]]
        got = g["boxes"][name]
        assert all(abs(a - b) <= 1.05 for a, b in zip(got, want)), \
            f"{name} at {got}, not {want}"


@test()
def window_at_load(r):
    p = r.page()
    p.find("dialog", TITLE)
    p.find("button", "关闭")
    eq(status(p), T["kFrameCaption"], "frame caption")
    eq(path_text(p), "", "path box")
    assert p.on(p.find("textbox"), "function() { return this.readOnly; }")
    icons = p.js("fetch(document.querySelector('link[rel=manifest]').href)"
                 ".then(r => r.json()).then(m => m.icons.map(i => i.sizes))")
    assert {"192x192", "512x512"} <= set(icons), f"manifest icons {icons}"
    g = geometry(p)
    check_layout(g)
    assert abs(g["scale"] - 1) * h.px(h.CLIENT[0]) <= 1, g["scale"]
    x, y, w, hgt = g["window"]
    assert abs(x + w / 2 - g["viewport"][0] / 2) <= 1, "not centred"
    font = p.js("(s => [s.fontSize, s.fontFamily, s.fontWeight])("
                "getComputedStyle(document.querySelector('[data-test=Label1]'"
                ")))")
    eq(font[0], "14px", "label size (10.5 pt)")
    eq(font[2], "400", "label weight")
    faces = p.fonts(p.element("document.querySelector('[data-test=Label1]')"))
    eq(faces, {h.first_installed(h.LABEL_FAMILIES)}, "label face")
    stops = sorted((c["tab"], n) for n, c in CONTROLS.items()
                   if c["kind"] not in ("Frame", "Label"))
    for i, (_, name) in enumerate(stops):
        if i:
            p.key("Tab")
        eq(p.js("document.activeElement.dataset.test"), name, f"tab stop {i}")
    csp = p.js("document.querySelector("
               "'meta[http-equiv=Content-Security-Policy]')?.content") or ""
    assert "script-src 'self'" in csp and "http" not in csp \
        and "*" not in csp, f"CSP {csp!r}"
    p.close()


@test()
def keys_and_labels_do_nothing(r):
    p = r.page()
    p.key("Escape")
    p.click(p.find("textbox"))
    for key in ("Enter", "Escape"):
        p.key(key)
    for caption in (T["kSimplifiedLabel"], T["kTraditionalLabel"]):
        p.click(p.element(f"[...document.querySelectorAll('[role=dialog] *')"
                          f"].find(e => !e.children.length && "
                          f"e.textContent === {caption!r})"))
    time.sleep(0.2)
    assert not p.find_all("alertdialog"), "a key or label showed a box"
    p.find("dialog", TITLE)
    checked = "function() { return this.checked; }"
    one, two = (p.find("radio", T[k]) for k in
                ("kSimplifiedLabel", "kTraditionalLabel"))
    eq([p.on(one, checked), p.on(two, checked)], [False, False], "labels")
    p.click(two)
    p.click(one)
    eq([p.on(one, checked), p.on(two, checked)], [True, False], "options")
    p.close()


# A file chosen (edition and size, or None), then a button pressed (None:
# the browse alone), and the box that must come.
MESSAGES = [
    (None, "kAboutButton", "kAboutTitle", "kAboutText"),
    (None, "kConvertButton", "kWarningTitle", "kNoRomWarning"),
    (("Simplified", MIB), "kConvertButton", "kWarningTitle",
     "kNoScriptWarning"),
    (("NotEnhanced", MIB), None, "kWarningTitle", "kNotEnhancedWarning"),
    (("Unrecognised", MIB), None, "kWarningTitle", "kUnrecognisedWarning"),
    (("Simplified", h.SIGNATURE_OFFSET + 2), None, "kWarningTitle",
     "kUnrecognisedWarning"),  # ends inside the signature
]


@test("picker", "download")
def messages(r, mode):
    p = r.page(mode)
    for chosen, press, title, text in MESSAGES:
        if chosen:
            name, _ = r.file(p, *chosen)
            before = [path_text(p), status(p)]
            browse(r, p, name)
            if not press:
                expect_box(p, T[title], T[text])
                eq([path_text(p), status(p)], before, f"after {text}")
                continue
            until(lambda: path_text(p) == name, "no path shown")
        if press:
            p.click(button(p, T[press]))
            expect_box(p, T[title], T[text])
    p.close()


@test("picker", "download")
def cancel_changes_nothing(r, mode):
    p = r.page(mode)
    name, _ = r.file(p, "Simplified")
    browse(r, p, name)
    until(lambda: path_text(p) == name, "no path shown")
    browse(r, p, None)
    time.sleep(0.3)
    eq([path_text(p), status(p)], [name, T["kStatusSimplified"]], "cancel")
    assert not p.find_all("alertdialog"), "cancel showed a box"
    if mode == "picker":
        options = p.js("JSON.stringify(__picks[0])")
        assert "QorvaneROM文件" in options and ".gba" in options, options
    p.close()


# Mode, the file's edition and size, the option pressed, and a writable-stream
# call made to fail after some succeed (or None).
CONVERSIONS = [
    ("picker", "Simplified", MIB, "繁体中文", None),
    ("download", "Traditional", MIB, "简体中文", None),
    ("picker", "Simplified", MIB, "繁体中文",
     ("write", "NoModificationAllowedError", 2)),
    ("picker", "Traditional", MIB, "简体中文", ("close", "QuotaExceededError",
                                              0)),
    ("picker", "Simplified", h.MIN_CONVERTIBLE - 1, "繁体中文", None),
    ("download", "Simplified", h.MIN_CONVERTIBLE - 1, "繁体中文", None),
]


@test(*CONVERSIONS)
def convert(r, mode, edition, size, option, fault):
    p = r.page(mode)
    name, before = r.file(p, edition, size)
    target = ("Simplified", "Traditional")[option == T["kTraditionalLabel"]]
    ok = fault is None and size >= h.MIN_CONVERTIBLE
    p.js("__io.read = 0")
    browse(r, p, name)
    until(lambda: path_text(p) == name, "no path shown")
    eq(p.js("__io.read"), 3, "bytes read by the inspection")
    eq(status(p), T[f"kStatus{edition}"], "status after browse")
    p.click(p.find("radio", option))
    if fault:
        p.js(f"__io.fail[{fault[0]!r}] = {json.dumps(fault[1:])}")
    p.js("__io.read = 0; __io.written = 0; __io.slowClose = 300")
    r.browser.drain()
    p.click(button(p, T["kConvertButton"]))
    if ok:
        p.find("alertdialog")
        eq(status(p), T[f"kStatus{target}"], "status after conversion")
        expect_box(p, T["kNoticeTitle"], T["kConvertedNotice"], False)
    else:
        p.find("alertdialog")
        eq(status(p), T[f"kStatus{edition}"], "status after failure")
        lines = expect_box(p, T["kErrorTitle"], T["kFileErrorLead"], False)
        assert any(name in line for line in lines), f"{name} not in {lines}"
        assert not fault or fault[1] not in "".join(lines), "reason untold"
    again = ended(p)
    after = h.image(size, h.runs(target)) if ok else before
    if mode == "picker":
        same(r.stored(p, name), after, "file after conversion")
        if ok:
            eq(p.js("__io.written"), 35, "bytes written")
            eq(p.js("__io.boxBeforeClose"), False, "a box before the commit")
        elif fault and fault[0] == "write":
            assert p.js("__io.aborted"), "the failed stream was not aborted"
    else:
        same(r.stored(p, name), before, "chosen file")
        if ok:
            begun = r.browser.wait_event("Browser.downloadWillBegin")
            eq(begun["suggestedFilename"], name, "download name")
            while r.browser.wait_event("Browser.downloadProgress")[
                    "state"] != "completed":
                pass
            same((r.downloads / name).read_bytes(), after, "downloaded copy")
            assert "application/octet-stream" in p.js("__io.urls"), "type"
    assert not ok or p.js("__io.read") <= 35, "conversion read beyond its runs"
    p.click(again)
    ready(p)
    eq([path_text(p), status(p)], ["", T["kFrameCaption"]], "started again")
    p.close()


@test("kExitButton", "关闭", "SecurityError")
def ending_and_starting_again(r, control):
    p = r.page()
    if control == "SecurityError":  # the picker fails: the page's report
        p.js("window.showOpenFilePicker = async () => { throw new "
             f"DOMException('', {control!r}); }}")
        p.click(button(p, T["kBrowseButton"]))
        lines = expect_box(p, T["kErrorTitle"], T["kInternalErrorLead"], False)
        shown = "\n".join(lines)
        assert "\n" + T["kPickerFailed"] + "：" in shown, lines
        assert control not in shown, f"reason untold: {lines}"
    else:
        p.click(button(p, T.get(control, control)))
    p.click(ended(p))
    ready(p)
    p.find("dialog", TITLE)
    p.close()


@test()
def phone_layout_by_touch(r):
    p = r.page(width=360, height=640, mobile=True)
    g = geometry(p)
    check_layout(g)
    x, _, w, _ = g["window"]
    assert 0.9 * 360 <= w <= 361 and x >= -1, f"window {g['window']} at 360"
    one, two = (p.find("radio", T[k]) for k in
                ("kSimplifiedLabel", "kTraditionalLabel"))
    p.tap(two)
    p.tap(p.element("document.querySelector('[data-test=Label1]')"))
    checked = "function() { return this.checked; }"
    eq([p.on(one, checked), p.on(two, checked)], [False, True], "taps")
    p.tap(button(p, T["kAboutButton"]))
    p.find("alertdialog", T["kAboutTitle"])
    p.tap(p.find("button", "确定"))
    until(lambda: not p.find_all("alertdialog"), "box stays after a tap")
    p.close()


@test()
def offline_reload(r):
    server = h.Server()
    r.origins.append(server.origin)
    p = h.Page(r.browser)
    p.goto(server.origin + "/")
    ready(p)
    p.wait("navigator.serviceWorker.ready.then(() => true)")
    p.reload()
    p.wait("!!navigator.serviceWorker.controller")
    server.close()
    p.call("Network.emulateNetworkConditions", offline=True, latency=0,
           downloadThroughput=-1, uploadThroughput=-1)
    p.reload()
    ready(p)
    p.find("dialog", TITLE)
    p.close()


def clipped(p):
    """The texts of the window and the box whose element is narrower than
    the text, or lower than its font's em."""
    return p.js("""[...document.querySelectorAll(
        ':is([role=dialog], [role=alertdialog]) *')].filter(e =>
        !e.childElementCount && e.textContent.trim() &&
        getComputedStyle(e).display !== 'inline' &&
        (e.scrollWidth > e.clientWidth || e.clientHeight <
         parseFloat(getComputedStyle(e).fontSize))).map(e => e.textContent)""")


@test()
def screenshots(r):  # and that nothing is clipped
    for size, mobile, file in ((800, False, "screenshot-web.png"),
                               (360, True, "screenshot-web-phone.png")):
        p = r.page(width=size, height=640 if mobile else 600, mobile=mobile,
                   scale=2)
        name, _ = r.file(p, "Simplified")
        browse(r, p, name)
        until(lambda: path_text(p) == name, "no path shown")
        p.click(p.find("radio", T["kTraditionalLabel"]))
        x, y, w, hgt = p.rect(p.find("dialog", TITLE))
        eq(clipped(p), [], f"clipped at {size} px")
        p.click(button(p, T["kAboutButton"]))
        p.find("alertdialog")
        eq(clipped(p), [], f"clipped in a box at {size} px")
        p.click(p.find("button", "确定"))
        until(lambda: not p.find_all("alertdialog"), "box stays")
        clip = None if mobile else {"x": x - 16, "y": y - 16,
                                    "width": w + 32, "height": hgt + 32}
        r.shots.mkdir(parents=True, exist_ok=True)
        p.screenshot(r.shots / file, clip)
        p.close()


@test()
def no_request_leaves_the_site(r):
    for request in r.browser.requests:
        url = request["url"]
        assert url.startswith(tuple(f"{scheme}{o}/" for o in r.origins
                                    for scheme in ("", "blob:"))), url
        assert not request.get("hasPostData"), f"{url} carries data"
    for method, path, length in r.server.log:
        eq((method, length), ("GET", 0), path)


def main(argv):
    shots = Path(h.ROOT / "build/web/screenshots")
    if "--screenshots" in argv:
        shots = Path(argv[argv.index("--screenshots") + 1]).resolve()
        del argv[argv.index("--screenshots"):argv.index("--screenshots") + 2]
    pick = argv[1] if len(argv) > 1 else ""
    run = Run(shots)
    passed = failed = 0
    try:
        for name, fn in TESTS:
            if pick not in name and name != "no_request_leaves_the_site":
                continue
            try:
                fn(run)
                passed += 1
                print(f"ok    {name}", flush=True)
            except Exception:
                failed += 1
                print(f"FAIL  {name}\n{traceback.format_exc()}", flush=True)
            for page in run.pages:
                try:
                    page.close()
                except h.CdpError:
                    pass  # closed by the test
            run.pages.clear()
    finally:
        run.browser.close()
        run.server.close()
        shutil.rmtree(run.scratch, ignore_errors=True)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
