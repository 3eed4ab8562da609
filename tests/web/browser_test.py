#!/usr/bin/env python3
"""The web page in Chromium, Firefox and WebKit, by real mouse, touch and key
input. Each case runs in every engine that can run it.

Usage: browser_test.py [--engine NAME]... [--screenshots DIR] [NAME_FILTER]"""

import base64
import json
import shutil
import signal
import sys
import tempfile
import time
import traceback
from pathlib import Path
from types import SimpleNamespace

import expected as E
import harness
from harness import until

CASE_TIMEOUT = 150  # seconds for any one case
ALL = harness.ENGINES
CASES = []


class Skip(Exception):
    """A case that this engine cannot run; the reason is printed."""


def case(*engines, rows=(None,)):
    """Registers a test function for `engines` (all by default), once per row."""
    def register(function):
        for row in rows:
            name = function.__name__ + (f"[{row}]" if row is not None else "")
            CASES.append((name, function, engines or ALL, row))
        return function
    return register


# ---------------------------------------------------------------- helpers

def open_page(run, mode="download", device="desktop", origin=None, **options):
    """A tab of the site with the window ready."""
    url = f"{origin or run.server.origin}/#mode={mode}&device={device}"
    page = run.browser.page(url, device=device, **options)
    run.pages.append(page)
    page.mode = mode
    return ready(page)


def ready(page):
    """Waits for the focus on 转 换 and the window wired (no longer busy)."""
    page.wait(f"document.activeElement && document.activeElement.textContent === "
              f"{E.CONVERT!r} && !document.body.classList.contains('busy')")
    return page


def shown(page):
    """The path box's text and the frame's caption."""
    return page.js("[Text1.value, document.querySelector('#Frame1 legend').textContent]")


def write_file(run, name, data):
    path = run.dir / name
    path.write_bytes(data)
    return path


def choose(run, page, name, data, accept=".gba", wait=True):
    """Chooses a file `name` holding `data` by 浏览.., as the mode does it."""
    if page.mode == "picker":
        page.js(f"__test.makeFile({name!r}, {b64(data)!r})")
        page.js(f"__test.pick = {name!r}")
        page.click(("button", E.BROWSE))
    else:
        path = write_file(run, name, data)
        clicks = page.js("__test.inputClicks")
        page.click(("button", E.BROWSE))
        page.wait(f"__test.inputClicks > {clicks}")
        assert page.js("__test.accept") == accept, "the file input's accept"
        page.set_files(page.element("__test.fileInput"), [path])
    if wait:
        until(lambda: shown(page)[0] == name, what=f"{name} in the path box")


def cancel_choice(page):
    if page.mode == "picker":
        page.js("__test.pick = null")
        page.click(("button", E.BROWSE))
    else:
        clicks = page.js("__test.inputClicks")
        page.click(("button", E.BROWSE))
        page.wait(f"__test.inputClicks > {clicks}")
        page.js("__test.cancelInput()")
    time.sleep(0.3)


def b64(data):
    return base64.b64encode(data).decode()


def box_lines(page):
    """The open message box's lines as shown: title, text, button."""
    text = page.js("document.querySelector('dialog[open]').innerText")
    return text.replace("\u00a0", " ").split("\n")


def expect_box(page, title, lines):
    """The message box `title` with exactly `lines` (None: any text), one
    确定 holding the focus, the window inert beneath; then dismisses it.
    Returns the text's lines."""
    box = until(lambda: page.find("alertdialog", title), what=f"the box {title}")[0]
    got = box_lines(page)
    assert got[0] == title and got[-1] == E.OK, got
    text = got[1:-1]
    while text and not text[0].strip():
        text.pop(0)
    while text and not text[-1].strip():
        text.pop()
    assert lines is None or text == lines, f"{text} != {lines}"
    assert page.js("[...document.querySelectorAll('dialog[open] button')]"
                   ".map(b => b.textContent)") == [E.OK], "one button"
    assert page.js("document.activeElement === document.querySelector("
                   "'dialog[open] button')"), "the focus on 确定"
    assert page.find("dialog", E.WINDOW_TITLE) == [], "the window beneath is inert"
    radios = page.js("[Option1.checked, Option2.checked]")
    for shift in (False, True):  # the focus stays in the box, or leaves the page
        page.tab(shift)
        assert not page.js("Form1.contains(document.activeElement)"), "Tab reached the window"
        page.js("document.querySelector('dialog[open] button').focus()")
    page.click("Option2")  # beneath the box
    assert page.js("[Option1.checked, Option2.checked]") == radios, "a click beneath"
    page.click(box)  # on the box itself, not its button
    assert page.find("alertdialog", title), "the box closed by a click on it"
    page.click(("button", E.OK))
    until(lambda: not page.find("alertdialog"), what="the box to close")
    return text


def expect_file_error(page, name, verb, reason, outcome):
    """The error box: the lead line, then the report naming the file."""
    text = expect_box(page, E.ERROR, None)
    assert text[0] == E.FILE_ERROR_LEAD, text
    report = "".join(text[1:])
    if reason is not None:
        assert report.startswith(f"{verb}“{name}”："), report
        assert f"：{reason}（" in report or f"：{reason}。" in report, report
        assert report.endswith(outcome), report
    return report


def ended_lines(page):
    """The ended notice's lines once the window is gone."""
    until(lambda: page.js("!document.getElementById('Form1') && "
                          "!!document.querySelector('section.ended[role=status]')"),
          what="the ended notice")
    return [line.strip() for line in page.js(
        "document.querySelector('section.ended').innerText").split("\n") if line.strip()]


def expect_ended(page, lines):
    """The ended notice with `lines`, then its buttons: 重新开始, and 再次保存
    where a copy was made."""
    got = ended_lines(page)
    buttons = [E.START_AGAIN] + ([E.SAVE_AGAIN] if len(lines) > 1 else [])
    assert got == lines + buttons or got == lines + buttons[::-1], got
    assert page.find("dialog", E.WINDOW_TITLE) == []


def start_again(page):
    page.click(("button", E.START_AGAIN))
    ready(page)
    assert shown(page) == ["", E.FRAME_CAPTION], "started again"


def download(page, index=0):
    """The index'th download: name, type, bytes."""
    page.wait(f"__test.downloads.length > {index}")
    name, kind = page.js(f"[__test.downloads[{index}].name, __test.downloads[{index}].type]")
    data = base64.b64decode(page.js(f"__test.read(__test.downloads[{index}].blob)"))
    return name, kind, data


def pick_target(page, edition):
    target = E.OTHER[edition]
    page.click(("radio", E.SIMPLIFIED_LABEL if target == "Simplified" else
                E.TRADITIONAL_LABEL))
    return target


# ------------------------------------------------------------------ cases

@case()
def start_state(run):
    """Role, name, boxes and focus at load; the tab order; the close box."""
    page = open_page(run)
    assert len(page.find("dialog", E.WINDOW_TITLE)) == 1, "the window by role and name"
    assert page.find("button", E.CLOSE), "the close box"
    assert shown(page) == ["", E.FRAME_CAPTION]
    assert page.js("[Option1.checked, Option2.checked, Text1.readOnly]") == [
        False, False, True]
    client = page.js("(c => [c.clientWidth, c.clientHeight])("
                     "document.getElementById('Form1-client'))")
    assert client == list(E.CLIENT), f"client {client}"
    for control, want in E.BOXES.items():
        got = page.js(f"(e => [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight])"
                      f"(document.getElementById({control!r}))")
        assert all(abs(g - w) <= 1 for g, w in zip(got, want)), f"{control}: {got} != {want}"
    assert page.js("document.activeElement.id") == "Command1", "the focus at load"
    for control in E.TAB_ORDER[1:] + E.TAB_ORDER[:1]:
        page.tab()
        got = page.js("document.activeElement.id")
        if got != control and control == E.TAB_ORDER[0]:
            break  # past the last control the focus may leave the page
        assert got == control, f"Tab reached {got}, not {control}"
    page.js("Command4.focus()")
    for control in reversed(E.TAB_ORDER[:-1]):
        page.tab(shift=True)
        assert page.js("document.activeElement.id") == control, f"Shift+Tab to {control}"


@case()
def looks(run):
    """Raised buttons and the sunken box: four explicit border colours; a
    focus rectangle on 转 换 at load."""
    page = open_page(run)
    for control in ("Command1", "Text1"):
        top, left, bottom, right = page.js(
            f"(s => [s.borderTopColor, s.borderLeftColor, s.borderBottomColor, "
            f"s.borderRightColor])(getComputedStyle({control}))")
        assert top == left and bottom == right and top != bottom, (control, top, bottom)
        light = control == "Command1"  # raised: light top-left; sunken: dark top-left
        assert (brightness(top) > brightness(bottom)) == light, (control, top, bottom)
    style = page.js("(s => [s.outlineStyle, s.outlineWidth])"
                    "(getComputedStyle(document.activeElement))")
    assert style[0] != "none" and style[1] != "0px", f"focus outline {style}"
    assert not page.js(CLIPPED), "text cut off"


# The texts in the window (and an open box) that do not fit their boxes.
CLIPPED = """[...document.querySelectorAll('#Form1 *, dialog[open] *')].filter(e =>
    !e.childElementCount && e.textContent.trim() && getComputedStyle(e).display !== 'inline'
    && (e.scrollWidth > e.clientWidth + 1 ||
        e.clientHeight < parseFloat(getComputedStyle(e).fontSize))).map(e => e.textContent)"""


def brightness(colour):
    return sum(int(v) for v in colour[colour.index("(") + 1:-1].split(",")[:3])


@case()
def message_boxes(run):
    """说 明, no ROM, no script; a cancelled choice; the close box ends."""
    page = open_page(run)
    page.click(("button", E.ABOUT))
    expect_box(page, *E.ABOUT_BOX)
    page.click(("button", E.CONVERT))
    expect_box(page, *E.NO_ROM)
    choose(run, page, "rom.gba", E.image("Simplified"))
    page.click(("button", E.CONVERT))
    expect_box(page, *E.NO_SCRIPT)
    cancel_choice(page)
    assert shown(page) == ["rom.gba", E.STATUS["Simplified"]], "after a cancel"
    assert not page.find("alertdialog")
    page.click(("button", E.CLOSE))
    expect_ended(page, [E.ENDED])
    start_again(page)


WRONG_FILES = {
    "not enhanced": (E.image("NotEnhanced"), E.NOT_ENHANCED),
    "unrecognised": (E.image("Unrecognised"), E.UNRECOGNISED),
    "too short": (E.image("Simplified", E.SIGNATURE_AT + 2), E.UNRECOGNISED),
    "empty": (b"", E.UNRECOGNISED),
}


@case(rows=list(WRONG_FILES))
def wrong_file(run, row):
    """A warning; the window keeps the file accepted before; nothing written."""
    page = open_page(run)
    choose(run, page, "good.gba", E.image("Traditional"))
    data, (title, lines) = WRONG_FILES[row]
    choose(run, page, "wrong.gba", data, wait=False)
    expect_box(page, title, lines)
    assert shown(page) == ["good.gba", E.STATUS["Traditional"]]
    assert (run.dir / "wrong.gba").read_bytes() == data
    page.click(("button", E.EXIT))
    expect_ended(page, [E.ENDED])
    assert page.js("__test.downloads.length") == 0


# The file's edition; the device, and what its file input accepts.
DOWNLOADS = {"desktop": ("Simplified", "desktop", ".gba"),
             "desktop Mac": ("Traditional", "mac", ".gba"),
             "iPhone Safari tab": ("Simplified", "iphone-safari", "")}


@case(rows=list(DOWNLOADS))
def convert_download(run, row):
    """A copy downloaded under the chosen name, typed as a ROM, with the five
    runs of the other script; the chosen file unchanged; saved again."""
    edition, device, accept = DOWNLOADS[row]
    page = open_page(run, device=device)
    original = E.image(edition)
    choose(run, page, "rom.gba", original, accept=accept)
    assert shown(page)[1] == E.STATUS[edition]
    assert page.js("__test.bytesRead") == 3, "inspection reads the signature alone"
    target = pick_target(page, edition)
    page.click(("button", E.CONVERT))
    expect_box(page, *E.CONVERTED)
    assert page.js("__test.bytesRead") <= 3 + 35, "a conversion reads no more than its runs"
    name, kind, data = download(page)
    assert [name, kind] == ["rom.gba", E.COPY_TYPE], [name, kind]
    assert data == E.image(target), "the copy's bytes"
    assert (run.dir / "rom.gba").read_bytes() == original, "the chosen file"
    expect_ended(page, [E.ENDED, E.DOWNLOADED + "rom.gba", E.FILE_UNCHANGED])
    page.click(("button", E.SAVE_AGAIN))
    assert download(page, 1) == (name, kind, data), "saved again"


@case()
def options(run):
    """The two options exclude each other, a label selects nothing, and the
    last option chosen is the script written."""
    page = open_page(run)
    choose(run, page, "rom.gba", E.image("Traditional"))
    for control, checked in (("Option2", [False, True]), ("Option1", [True, False]),
                             ("Label2", [True, False])):
        page.click(control)
        assert page.js("[Option1.checked, Option2.checked]") == checked, control
    page.click(("button", E.CONVERT))
    expect_box(page, *E.CONVERTED)
    assert download(page)[2] == E.image("Simplified"), "the copy's bytes"


@case()
def unusual_name(run):
    """A name with CJK, an emoji and spaces is kept as it is."""
    page = open_page(run)
    name = "繁體 🎮 rom.gba"
    choose(run, page, name, E.image("Traditional"))
    pick_target(page, "Traditional")
    page.click(("button", E.CONVERT))
    expect_box(page, *E.CONVERTED)
    assert download(page)[:2] == (name, E.COPY_TYPE)
    expect_ended(page, [E.ENDED, E.DOWNLOADED + name, E.FILE_UNCHANGED])


@case()
def too_short_to_convert(run):
    """A file that ends before the last run: refused, nothing saved."""
    page = open_page(run)
    choose(run, page, "short.gba", E.image("Simplified", E.RUNS_END - 1))
    pick_target(page, "Simplified")
    page.click(("button", E.CONVERT))
    expect_file_error(page, "short.gba", E.REFUSED, E.TOO_SHORT, E.UNCHANGED)
    expect_ended(page, [E.ENDED])
    assert page.js("__test.downloads.length") == 0


@case()
def changed_after_choice(run):
    """The file rewritten between its choice and the conversion: the error
    report, and no copy."""
    page = open_page(run)
    choose(run, page, "rom.gba", E.image("Simplified"))
    pick_target(page, "Simplified")
    time.sleep(1.1)  # a later modification time
    changed = E.image("NotEnhanced")
    write_file(run, "rom.gba", changed)
    page.click(("button", E.CONVERT))
    expect_file_error(page, "rom.gba", None, None, None)
    expect_ended(page, [E.ENDED])
    assert page.js("__test.downloads.length") == 0, "a copy of a changed file"
    assert (run.dir / "rom.gba").read_bytes() == changed


@case("chromium")
def large_file(run):
    """A 3 GiB file: a copy of the same size, the runs in place; never read
    whole (only slices are compared)."""
    page = open_page(run)
    size = 3 << 30
    path = run.dir / "large.gba"
    with open(path, "wb") as f:
        f.write(E.image("Simplified"))
        f.truncate(size)
    clicks = page.js("__test.inputClicks")
    page.click(("button", E.BROWSE))
    page.wait(f"__test.inputClicks > {clicks}")
    page.set_files(page.element("__test.fileInput"), [path])
    until(lambda: shown(page)[0] == "large.gba")
    pick_target(page, "Simplified")
    page.click(("button", E.CONVERT))
    expect_box(page, *E.CONVERTED)
    page.wait("__test.downloads.length > 0")
    assert page.js("__test.bytesRead") <= 3 + 35, "the file read beyond its runs"
    assert page.js("__test.downloads[0].blob.size") == size
    want = E.image("Traditional")
    for offset, _ in E.RUNS["Traditional"]:
        got = page.js(f"__test.read(__test.downloads[0].blob, {offset - 8}, {offset + 15})")
        assert base64.b64decode(got) == want[offset - 8:offset + 15], hex(offset)
    tail = page.js(f"__test.read(__test.downloads[0].blob, {size - 16})")
    assert base64.b64decode(tail) == bytes(16)


@case()
def no_request_leaves(run):
    """Every resource the page loads is the site's own, or a blob of it."""
    page = open_page(run)
    choose(run, page, "rom.gba", E.image("Simplified"))
    pick_target(page, "Simplified")
    page.click(("button", E.CONVERT))
    expect_box(page, *E.CONVERTED)
    origin = run.server.origin + "/"
    urls = page.js("performance.getEntriesByType('resource').map(e => e.name)")
    urls += page.js("__test.downloads.map(d => d.href)")
    strays = [u for u in urls if not (u.startswith(origin) or u.startswith("blob:" + origin))]
    assert not strays, strays
    policy = page.js("document.querySelector('meta[http-equiv=Content-Security-Policy]')"
                     ".content")
    assert "default-src 'none'" in policy and not any(
        word in policy for word in ("*", "http:", "https:", "//")), policy


@case()
def offline_reload(run):
    """Once the service worker holds the site, the page opens without it."""
    if not run.browser.service_workers:
        raise Skip(f"{run.engine}'s automation runs no service workers")
    server = harness.Server()
    run.servers.append(server)
    page = open_page(run, origin=server.origin)
    until(lambda: page.js("!!(navigator.serviceWorker && "
                          "navigator.serviceWorker.controller)"),
          what="the service worker to control the page")
    server.stop()
    if hasattr(page, "offline"):  # Chromium: the network gone too
        page.offline()
    page.reload()
    ready(page)
    assert page.find("dialog", E.WINDOW_TITLE)
    assert page.js("!!navigator.serviceWorker.controller"), "the page from the worker"


CACHES = "caches.keys().then(keys => keys.join(' '))"
NEW_BUILD = ("fetch('qorvane-switcher.js').then(r => r.text())"
             ".then(text => text.includes('another build'))")


@case()
def site_updates_whole(run):
    """Another build's service worker brings a cache of its own and takes
    over only once no page of the old build is open, then deletes the old
    cache: a page never mixes the builds' files."""
    if not run.browser.service_workers:
        raise Skip(f"{run.engine}'s automation runs no service workers")
    old, new = run.dir / "old", run.dir / "new"
    shutil.copytree(harness.SITE, old)
    server = harness.Server(root=old)
    run.servers.append(server)
    page = open_page(run, origin=server.origin)
    until(lambda: page.js("!!(navigator.serviceWorker && "
                          "navigator.serviceWorker.controller)"),
          what="the service worker to control the page")
    old_cache = page.js(CACHES)
    assert old_cache.startswith("qorvane-switcher-") and " " not in old_cache, old_cache
    shutil.copytree(harness.SITE, new)  # another build: another program
    program = (new / "qorvane-switcher.js").read_bytes()
    worker = (new / "sw.js").read_bytes().replace(
        old_cache.removeprefix("qorvane-switcher-").encode(), b"0123456789abcdef").replace(
        harness.integrity(program), harness.integrity(program + b"\n// another build\n"))
    (new / "sw.js").write_bytes(worker)
    half = run.dir / "half"  # the new build's worker uploaded, its program not yet
    shutil.copytree(old, half)
    (half / "sw.js").write_bytes(worker)
    server.root = half
    page.js("navigator.serviceWorker.getRegistration().then(r => r.update()).catch(e => 0)")
    until(lambda: page.js("navigator.serviceWorker.getRegistration()"
                          ".then(r => !r.installing && !r.waiting)"), what="the install over")
    assert page.js(CACHES) == old_cache, "a half-updated site is not kept"
    (new / "qorvane-switcher.js").write_bytes(program + b"\n// another build\n")
    server.root = new
    page.js("navigator.serviceWorker.getRegistration().then(r => r.update())")
    until(lambda: page.js("navigator.serviceWorker.getRegistration().then(r => !!r.waiting)"),
          what="the new worker installed")
    assert page.js(CACHES) == f"{old_cache} qorvane-switcher-0123456789abcdef"
    assert page.js(NEW_BUILD) is False, "the open page still gets its own build's files"

    def new_build_served():  # in a new tab, once no page of the old build is open
        nonlocal page
        page.close()
        run.pages.remove(page)
        page = open_page(run, origin=server.origin)
        return page.js(NEW_BUILD)
    until(new_build_served, what="the new build")
    assert page.js(CACHES) == "qorvane-switcher-0123456789abcdef", "the old cache deleted"


@case()
def phone_width(run):
    """On a phone 360 px wide the window fills the width. (MiniBrowser's
    window is never narrower than its toolbar, about 450 px.)"""
    page = open_page(run, width=360, height=640)
    screen = page.js("innerWidth")
    assert screen <= 480, f"a viewport {screen} px wide"
    x, _, width, _ = page.box("Form1")
    assert abs(x) <= 1 and abs(width - screen) <= 2, f"the window at {x}, {width} wide"
    scale = page.js("Command1.offsetWidth") / E.BOXES["Command1"][2]
    assert scale > 1.2, scale
    assert not page.js(CLIPPED), "text cut off"
    page.click(("button", E.ABOUT))
    until(lambda: page.find("alertdialog", E.ABOUT))
    assert not page.js(CLIPPED), "text cut off in the box"


@case()
def screenshots(run):
    """The window at load, as the README shows it."""
    page = open_page(run)
    run.shots.mkdir(parents=True, exist_ok=True)
    shot = page.screenshot(around="Form1")
    assert shot.startswith(b"\x89PNG"), "a PNG"
    (run.shots / f"screenshot-web-{run.engine}.png").write_bytes(shot)


# In place: only Chromium has file handles.

@case("chromium", rows=["Simplified", "Traditional"])
def convert_in_place(run, edition):
    """The picker's one type; write permission asked once, at the
    conversion; the runs written in the file itself."""
    page = open_page(run, mode="picker")
    choose(run, page, "rom.gba", E.image(edition))
    assert page.js("__test.pickerCalls.map(c => c.types)") == [E.PICKER_TYPES]
    assert page.js("__test.permissionCalls") == [], "permission asked at the pick"
    target = pick_target(page, edition)
    page.js("__test.slowClose = 300, __test.boxAtClose = []")
    page.click(("button", E.CONVERT))
    expect_box(page, *E.CONVERTED)
    assert page.js("__test.boxAtClose") == [False, False], "转换成功 before the file was saved"
    calls = page.js("__test.permissionCalls")
    assert calls[:1] == [["query", "readwrite"]] and len(calls) <= 2, calls
    assert page.js("[__test.bytesRead <= 3 + 35, __test.written]") == [True, 35]
    expect_ended(page, [E.ENDED])
    assert base64.b64decode(page.js("__test.readFile('rom.gba')")) == E.image(target)
    assert page.js("__test.downloads.length") == 0


FAULTS = {
    "write refused": ("write", "NoModificationAllowedError", 2, E.FAILED_WRITE,
                      E.NO_MODIFICATION, E.RESTORED),
    "close over quota": ("close", "QuotaExceededError", 0, E.FAILED_SAVE,
                         E.QUOTA_EXCEEDED, E.RESTORED),
    "permission denied": (None, None, None, E.FAILED_OPEN, E.NOT_ALLOWED, E.UNCHANGED),
}


@case("chromium", rows=list(FAULTS))
def fault_in_place(run, row):
    """A failing write, close or permission: the report names the browser's
    reason in Chinese, and the file keeps its bytes."""
    call, error, after, verb, reason, outcome = FAULTS[row]
    page = open_page(run, mode="picker")
    original = E.image("Simplified")
    choose(run, page, "rom.gba", original)
    pick_target(page, "Simplified")
    if call:
        page.js(f"__test.fail.{call} = {json.dumps([error, after])}")
    else:
        page.js("__test.permission = 'denied'")
    page.click(("button", E.CONVERT))
    expect_file_error(page, "rom.gba", verb, reason, outcome)
    assert call != "write" or page.js("__test.aborted") > 0, "the failed stream not aborted"
    expect_ended(page, [E.ENDED])
    page.js("__test.fail = {}")
    assert base64.b64decode(page.js("__test.readFile('rom.gba')")) == original


@case("chromium")
def picker_fails(run):
    """A picker that will not open: the internal error report, then the end."""
    page = open_page(run, mode="picker")
    page.js("showOpenFilePicker = async () => { throw new DOMException('', 'SecurityError'); }")
    page.click(("button", E.BROWSE))
    text = expect_box(page, E.ERROR, None)
    assert text[0] == E.INTERNAL_ERROR_LEAD and text[1].startswith(E.PICKER_FAILED), text
    expect_ended(page, [E.ENDED])


# Phones and tablets.

@case("chromium")
def android(run):
    """Android: any file may be chosen; taps; the copy downloaded."""
    page = open_page(run, device="android")
    run.shots.mkdir(parents=True, exist_ok=True)
    (run.shots / "screenshot-web-phone.png").write_bytes(page.screenshot())
    choose(run, page, "rom.gba", E.image("Simplified"), accept="")
    page.click(("radio", E.TRADITIONAL_LABEL), touch=True)
    page.click(("button", E.CONVERT), touch=True)
    until(lambda: page.find("alertdialog", E.NOTICE))
    page.click(("button", E.OK), touch=True)
    name, kind, data = download(page)
    assert [name, kind, data == E.image("Traditional")] == ["rom.gba", E.COPY_TYPE, True]
    expect_ended(page, [E.ENDED, E.DOWNLOADED + "rom.gba", E.FILE_UNCHANGED])


# What the share sheet does (see instruments.js), and what the page then says.
SHARES = {"shared": ("success", E.SHARED), "dismissed": ("abort", E.SHARE_DISMISSED),
          "failed": ("reject", E.SHARE_IMPOSSIBLE), "impossible": ("none", E.SHARE_IMPOSSIBLE)}


@case(rows=[f"{d} {s}" for d in ("iphone", "ipad") for s in SHARES])
def home_screen_app(run, row):
    """An iPhone or iPad home-screen app: any file may be chosen; the copy
    goes to the share sheet; dismissed, it can be shared again."""
    device, outcome = row.split()
    answer, line = SHARES[outcome]
    page = open_page(run, device=device)
    page.js(f"__test.share = {answer!r}")
    choose(run, page, "rom.gba", E.image("Traditional"), accept="")
    page.click(("radio", E.SIMPLIFIED_LABEL), touch=True)
    page.click(("button", E.CONVERT), touch=True)
    expect_box(page, *E.CONVERTED)
    expect_ended(page, [E.ENDED, line + "rom.gba", E.FILE_UNCHANGED])
    assert page.js("__test.downloads.length") == 0, "a download in a home-screen app"
    shares = page.js("__test.shares.map(s => s.files.map(f => [f.name, f.type]))")
    assert shares == ([] if answer == "none" else [[["rom.gba", E.COPY_TYPE]]]), shares
    if answer == "none":
        return
    data = base64.b64decode(page.js("__test.read(__test.shares[0].files[0].file)"))
    assert data == E.image("Simplified"), "the shared copy's bytes"
    if answer == "abort":
        page.js("__test.share = 'success'")
        page.click(("button", E.SAVE_AGAIN))
        page.wait("__test.shares.length === 2")
        again = base64.b64decode(page.js("__test.read(__test.shares[1].files[0].file)"))
        assert again == data, "shared again"


@case("chromium")
def tablet(run):
    """An iPad-sized touch screen: push buttons big enough to tap, the
    layout scaled as one."""
    page = open_page(run, device="ipad", width=820, height=1180, touch=True)
    assert page.js("matchMedia('(pointer: coarse)').matches"), "a coarse pointer"
    sizes = {c: page.js(f"(e => [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight])"
                        f"(document.getElementById({c!r}))") for c in E.BOXES}
    scale = sizes["Command1"][3] / E.BOXES["Command1"][3]
    assert page.box("Command1")[3] >= 44, f"a push button {page.box('Command1')[3]} px tall"
    for control, box in E.BOXES.items():
        assert all(abs(g - w * scale) <= 1 + scale for g, w in zip(sizes[control], box)), \
            (control, sizes[control], scale)
    assert page.box("Form1")[2] <= 820


# ----------------------------------------------------------------- runner

def run_cases(engine, cases, shots):
    """Runs `cases` in one browser of `engine`; returns (passed, failed,
    skipped) names."""
    run = SimpleNamespace(engine=engine, shots=shots, pages=[], servers=[],
                          server=harness.Server(), dir=None, browser=None)
    results = {"ok": [], "FAIL": [], "skip": []}
    try:
        for name, function, engines, row in cases:
            if engine not in engines:
                continue
            run.dir = Path(tempfile.mkdtemp(prefix="qorvane-web-"))
            status, detail, start = "ok", "", time.time()
            signal.alarm(CASE_TIMEOUT)
            try:
                if run.browser is None:
                    run.browser = harness.open_browser(engine)
                function(run) if row is None else function(run, row)
            except Skip as reason:
                status, detail = "skip", f" ({reason})"
            except BaseException as error:  # a timeout included
                if isinstance(error, KeyboardInterrupt):
                    raise
                status, detail = "FAIL", "\n" + traceback.format_exc()
            finally:
                signal.alarm(0)
            print(f"{status:5} {engine} {name} ({time.time() - start:.1f} s){detail}",
                  flush=True)
            results[status].append(name)
            for page in run.pages:
                page.close()
            run.pages.clear()
            for server in run.servers:
                server.stop()
            run.servers.clear()
            shutil.rmtree(run.dir, ignore_errors=True)
            if status == "FAIL" and run.browser:  # a fresh browser for the next
                run.browser.close()
                run.browser = None
        # The server was asked for nothing but the site's files.
        site = {"/", "/__test__/instruments.js"} | {
            "/" + f.relative_to(harness.SITE).as_posix() for f in harness.SITE.rglob("*")}
        strays = sorted({r for r in run.server.requests if r not in site})
        status = "FAIL" if strays else "ok"
        print(f"{status:5} {engine} requests_for_the_site_alone"
              + (f"\n{strays}" if strays else ""), flush=True)
        results[status].append("requests_for_the_site_alone")
    finally:
        if run.browser:
            run.browser.close()
        run.server.stop()
    return results


def on_alarm(signum, frame):
    raise TimeoutError(f"the case took over {CASE_TIMEOUT} s")


def main(argv):
    engines, shots, name_filter, args = [], None, "", list(argv[1:])
    while args:
        arg = args.pop(0)
        if arg == "--engine":
            engines.append(args.pop(0))
        elif arg == "--screenshots":
            shots = Path(args.pop(0)).resolve()
        else:
            name_filter = arg
    shots = shots or harness.ROOT / "build/web/screenshots"
    signal.signal(signal.SIGALRM, on_alarm)
    chosen = [c for c in CASES if name_filter in c[0]]
    totals = {"ok": 0, "FAIL": 0, "skip": 0}
    for engine in engines or ALL:
        start = time.time()
        results = run_cases(engine, chosen, shots)
        for status, names in results.items():
            totals[status] += len(names)
        print(f"# {engine} in {time.time() - start:.0f} s: {len(results['ok'])} ok, "
              f"{len(results['FAIL'])} FAIL, {len(results['skip'])} skip", flush=True)
    summary = f"{totals['ok']} passed, {totals['FAIL']} failed"
    print(summary + (f", {totals['skip']} skipped" if totals["skip"] else ""))
    return 1 if totals["FAIL"] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
