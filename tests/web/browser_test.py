#!/usr/bin/env python3
"""The web page in Chromium, Firefox and WebKit, by real mouse, touch and key
input. Each case runs in every engine unless it names its engines.

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
CASES = []
OPTION = {"Simplified": "Option1", "Traditional": "Option2"}
LABEL = {"Simplified": E.SIMPLIFIED_LABEL, "Traditional": E.TRADITIONAL_LABEL}


def case(*engines, rows=(None,)):
    """Registers a test function for `engines` (all by default), once per row."""
    def register(function):
        for row in rows:
            name = function.__name__ + ("" if row is None else f"[{row}]")
            CASES.append((name, function, engines or tuple(harness.ENGINES), row))
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


def checked(page):
    return page.js("[Option1.checked, Option2.checked]")


def open_input(page):
    """Clicks 浏览.. in download mode: the page opens its file input."""
    clicks = page.js("__test.inputClicks")
    page.click(("button", E.BROWSE))
    page.wait(f"__test.inputClicks > {clicks}")


def choose(run, page, name, data, accept=".gba", size=None, wait=True):
    """Chooses a file `name` holding `data` (then zeros up to `size`) by
    浏览.., through the picker or the file input as the mode has it."""
    if page.mode == "picker":
        page.js(f"__test.makeFile({name!r}, {base64.b64encode(data).decode()!r})")
        page.js(f"__test.pick = {name!r}")
        page.click(("button", E.BROWSE))
    else:
        with open(run.dir / name, "wb") as file:
            file.write(data)
            file.truncate(size or len(data))
        open_input(page)
        assert page.js("__test.accept") == accept, "the file input's accept"
        page.set_files(page.element("__test.fileInput"), [run.dir / name])
    if wait:
        until(lambda: shown(page)[0] == name, what=f"{name} in the path box")


def convert(page, target):
    """Chooses the target script and clicks 转 换."""
    page.click(("radio", LABEL[target]))
    page.click(("button", E.CONVERT))


def expect_box(page, title, lines, touch=False):
    """The message box `title` with exactly `lines` (None: any), one 确定
    holding the focus, the window inert beneath; then dismisses it.
    Returns the text's lines."""
    until(lambda: page.find("alertdialog", title), what=f"the box {title}")
    text = page.js("document.querySelector('dialog[open] .msgbox-text').innerText")
    text = text.replace("\u00a0", " ").split("\n")
    assert lines is None or text == lines, f"{text} != {lines}"
    assert page.js("(b => [b.map(e => e.textContent), document.activeElement === b[0]])"
                   "([...document.querySelectorAll('dialog[open] button')])") == [[E.OK], True]
    assert page.find("dialog", E.WINDOW_TITLE) == [], "the window beneath is inert"
    radios = checked(page)
    for shift in (False, True):  # the focus stays in the box, or leaves the page
        page.tab(shift)
        assert not page.js("Form1.contains(document.activeElement)"), "Tab reached the window"
        page.js("document.querySelector('dialog[open] button').focus()")
    page.click("Option2", touch)  # beneath the box
    assert checked(page) == radios, "a click beneath the box"
    page.click(("button", E.OK), touch)
    until(lambda: not page.find("alertdialog"), what="the box to close")
    return text


def expect_file_error(page, name, verb, reason, outcome):
    """The error box: the lead line, then the report naming the file."""
    lead, *report = expect_box(page, E.ERROR, None)
    report = "".join(report)
    assert lead == E.FILE_ERROR_LEAD and report.startswith(f"{verb}“{name}”：") and any(
        f"：{reason}{end}" in report for end in "（。") and report.endswith(outcome), report


def expect_ended(page, lines):
    """The ended notice with `lines`, then 重新开始, and 再次保存 where a
    copy was made."""
    got = until(lambda: not page.js("!!document.getElementById('Form1')") and page.js(
        "document.querySelector('section.ended[role=status]').innerText"), what="the end")
    got = [line.strip() for line in got.split("\n") if line.strip()]
    buttons = [E.START_AGAIN] + ([E.SAVE_AGAIN] if len(lines) > 1 else [])
    assert got in (lines + buttons, lines + buttons[::-1]), got


def copies(page):
    """The copies the page downloaded or shared: how, name, type, bytes."""
    return [(how, name, kind, base64.b64decode(data)) for how, name, kind, data in page.js(
        "Promise.all(__test.copies.map(async c => [c.how, c.name, c.type, "
        "await __test.read(c.blob)]))")]


def read_back(page, expression):
    return base64.b64decode(page.js(expression))


def save_screenshot(run, name, png):
    assert png.startswith(b"\x89PNG"), "a PNG"
    run.shots.mkdir(parents=True, exist_ok=True)
    (run.shots / name).write_bytes(png)


def brightness(colour):
    return sum(int(v) for v in colour[colour.index("(") + 1:-1].split(",")[:3])


OFFSETS = "(e => [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight])({})"


# ------------------------------------------------------------------ cases

@case()
def start_state(run):
    """At load: the window by role and name, each box, the four border
    colours, the focus shown on 转 换 (as the screenshot shows it); then the
    tab order."""
    page = open_page(run)
    save_screenshot(run, f"screenshot-web-{run.engine}.png", page.screenshot(around="Form1"))
    assert len(page.find("dialog", E.WINDOW_TITLE)) == 1 and page.find("button", E.CLOSE)
    assert shown(page) == ["", E.FRAME_CAPTION]
    assert page.js("(c => [c.clientWidth, c.clientHeight])(document.getElementById("
                   "'Form1-client'))") == E.CLIENT
    for control, want in E.BOXES.items():
        got = page.js(OFFSETS.format(control))
        assert all(abs(g - w) <= 1 for g, w in zip(got, want)), f"{control}: {got} != {want}"
    for control, raised in (("Command1", True), ("Text1", False)):
        top, left, bottom, right = page.js(
            f"(s => [s.borderTopColor, s.borderLeftColor, s.borderBottomColor, "
            f"s.borderRightColor])(getComputedStyle({control}))")
        assert top == left and bottom == right, (control, top, bottom)
        assert (brightness(top) > brightness(bottom)) == raised, (control, top, bottom)
    assert page.js("document.activeElement.id") == "Command1", "the focus at load"
    outline = page.js("(s => [s.outlineStyle, s.outlineWidth])(getComputedStyle(Command1))")
    assert outline[0] != "none" and outline[1] != "0px", f"focus outline {outline}"
    for control in E.TAB_ORDER[1:]:
        page.tab()
        assert page.js("document.activeElement.id") == control, f"Tab to {control}"
    for control in reversed(E.TAB_ORDER[:-1]):
        page.tab(shift=True)
        assert page.js("document.activeElement.id") == control, f"Shift+Tab to {control}"


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
    open_input(page)
    page.js("__test.fileInput.dispatchEvent(new Event('cancel'))")
    time.sleep(0.3)
    assert shown(page) == ["rom.gba", E.STATUS["Simplified"]], "after a cancel"
    page.click(("button", E.CLOSE))
    expect_ended(page, [E.ENDED])
    page.click(("button", E.START_AGAIN))
    assert shown(ready(page)) == ["", E.FRAME_CAPTION], "started again"


WRONG_FILES = {
    "not enhanced": (E.image("NotEnhanced"), E.NOT_ENHANCED),
    "unrecognised": (E.image("Unrecognised"), E.UNRECOGNISED),
    "too short": (E.image("Simplified", E.SIGNATURE_AT + 2), E.UNRECOGNISED),
    "empty": (b"", E.UNRECOGNISED),
}


@case(rows=list(WRONG_FILES))
def wrong_file(run, row):
    """A warning; the window keeps the file accepted before; no copy."""
    page = open_page(run)
    choose(run, page, "good.gba", E.image("Traditional"))
    data, box = WRONG_FILES[row]
    choose(run, page, "wrong.gba", data, wait=False)
    expect_box(page, *box)
    assert shown(page) == ["good.gba", E.STATUS["Traditional"]]
    page.click(("button", E.EXIT))
    expect_ended(page, [E.ENDED])
    assert page.js("__test.copies.length") == 0


# A file refused at 转 换: too short for the last run, or changed on disk
# after its choice, which each engine tells its own way.
REFUSALS = {"too short": {engine: (E.REFUSED, E.TOO_SHORT) for engine in harness.ENGINES},
            "changed on disk": {"chromium": (E.FAILED_READ, E.NOT_READABLE),
                                "firefox": (E.REFUSED, E.NO_LONGER_ENHANCED),
                                "webkit": (E.FAILED_READ, E.NOT_FOUND)}}


@case(rows=list(REFUSALS))
def refused_at_conversion(run, row):
    """The file-error report, and no copy."""
    page = open_page(run)
    data = E.image("Simplified")
    choose(run, page, "rom.gba", data[:E.RUNS_END - 1] if row == "too short" else data)
    if row == "changed on disk":
        time.sleep(1.1)  # a later modification time
        (run.dir / "rom.gba").write_bytes(E.image("NotEnhanced"))
    convert(page, "Traditional")
    expect_file_error(page, "rom.gba", *REFUSALS[row][run.engine], E.UNCHANGED)
    expect_ended(page, [E.ENDED])
    assert page.js("__test.copies.length") == 0


# Each device: the file's edition and name, what the file input accepts, and
# in a home-screen app the share sheet's answer (see instruments.js); then
# what the ended notice says of the copy.
SHARE_ROWS = {"shared": ("success", E.SHARED), "dismissed": ("abort", E.SHARE_DISMISSED),
              "failed": ("reject", E.SHARE_IMPOSSIBLE), "impossible": ("none", E.SHARE_IMPOSSIBLE)}
DEVICES = {
    "desktop": ("Simplified", "rom.gba", ".gba", None, E.DOWNLOADED),
    "mac": ("Traditional", "rom.gba", ".gba", None, E.DOWNLOADED),
    "iphone-safari": ("Simplified", "rom.gba", "", None, E.DOWNLOADED),
    "desktop unusual name": ("Traditional", "繁體 🎮 rom.gba", ".gba", None, E.DOWNLOADED),
    "android": ("Simplified", "rom.gba", "", None, E.DOWNLOADED),
    **{f"{device} {outcome}": ("Traditional", "rom.gba", "", answer, line)
       for device in ("iphone", "ipad") for outcome, (answer, line) in SHARE_ROWS.items()},
}


@case("chromium", rows=["android"])
@case(rows=[row for row in DEVICES if row != "android"])
def save_copy(run, row):
    """The options exclude each other and the last chosen is written; the
    copy downloaded, or shared in a home-screen app, under the chosen name,
    typed as a ROM, with the other script's runs, and saved again; the
    chosen file unchanged; no request leaves the site."""
    edition, name, accept, answer, line = DEVICES[row]
    device, target = row.split()[0], E.OTHER[edition]
    touch = device in ("android", "iphone", "ipad")
    page = open_page(run, device=device)
    if device == "android":
        save_screenshot(run, "screenshot-web-phone.png", page.screenshot())
    page.js(f"__test.share = {json.dumps(answer)}")
    choose(run, page, name, E.image(edition), accept=accept)
    assert shown(page)[1] == E.STATUS[edition]
    assert page.js("__test.bytesRead") == 3, "inspection reads the signature alone"
    page.click("Label2", touch)
    assert checked(page) == [False, False], "a label selects nothing"
    for option in (OPTION[edition], OPTION[target]):
        page.click(option, touch)
        assert checked(page) == [option == "Option1", option == "Option2"], option
    page.click(("button", E.CONVERT), touch)
    expect_box(page, *E.CONVERTED, touch)
    assert page.js("__test.bytesRead") <= 3 + 35, "a conversion reads no more than its runs"
    expect_ended(page, [E.ENDED, line + name, E.FILE_UNCHANGED])
    copy = ("share" if answer else "download", name, E.COPY_TYPE, E.image(target))
    assert copies(page) == ([] if answer == "none" else [copy]), "the copy"
    assert (run.dir / name).read_bytes() == E.image(edition), "the chosen file"
    page.js("__test.share = 'success'")
    page.click(("button", E.SAVE_AGAIN), touch)
    until(lambda: copies(page)[-1:] == [copy], what="the copy saved again")
    resources = page.js("performance.getEntriesByType('resource').map(e => e.name)")
    assert all(url.startswith(run.server.origin + "/") for url in resources), resources


@case("chromium")
def large_file(run):
    """A 3 GiB file: a copy of the same size with the runs in place, the
    file read only at its runs (only slices of the copy are compared)."""
    page = open_page(run)
    size = 3 << 30
    choose(run, page, "large.gba", E.image("Simplified"), size=size)
    convert(page, "Traditional")
    expect_box(page, *E.CONVERTED)
    page.wait("__test.copies.length > 0")
    assert page.js("__test.bytesRead") <= 3 + 35, "the file read beyond its runs"
    assert page.js("__test.copies[0].blob.size") == size
    want = E.image("Traditional")
    for offset in E.RUN_TAILS:
        got = read_back(page, f"__test.read(__test.copies[0].blob, {offset - 8}, {offset + 15})")
        assert got == want[offset - 8:offset + 15], hex(offset)
    assert read_back(page, f"__test.read(__test.copies[0].blob, {size - 16})") == bytes(16)


CACHES = "caches.keys().then(keys => keys.join(' '))"
NEW_BUILD = ("fetch('qorvane-switcher.js').then(r => r.text())"
             ".then(text => text.includes('another build'))")


@case()
def site_updates_whole(run):
    """Another build's service worker brings a cache of its own, refuses a
    half-uploaded site, and takes over only once no page of the old build
    is open, then deletes the old cache; offline, the page reloads from it."""
    old, new, half = run.dir / "old", run.dir / "new", run.dir / "half"
    shutil.copytree(harness.SITE, old)
    server = harness.Server(root=old)
    run.servers.append(server)
    page = open_page(run, origin=server.origin)
    page.wait("!!navigator.serviceWorker.controller")
    old_cache = page.js(CACHES)
    assert old_cache.startswith("qorvane-switcher-") and " " not in old_cache, old_cache
    shutil.copytree(harness.SITE, new)  # another build: another program
    program = (new / "qorvane-switcher.js").read_bytes()
    (new / "qorvane-switcher.js").write_bytes(program + b"\n// another build\n")
    worker = (new / "sw.js").read_bytes().replace(
        old_cache.removeprefix("qorvane-switcher-").encode(), b"0123456789abcdef").replace(
        harness.integrity(program), harness.integrity(program + b"\n// another build\n"))
    (new / "sw.js").write_bytes(worker)
    shutil.copytree(old, half)  # the new build's worker uploaded, its program not yet
    (half / "sw.js").write_bytes(worker)
    for root, caches in ((half, old_cache),
                         (new, f"{old_cache} qorvane-switcher-0123456789abcdef")):
        server.root = root
        page.js("navigator.serviceWorker.getRegistration().then(r => r.update()).catch(e => 0)")
        page.wait("navigator.serviceWorker.getRegistration()"
                  ".then(r => !r.installing && !!(r.waiting || r.active))")
        assert page.js(CACHES) == caches, f"the caches with {root.name}"
    assert page.js(NEW_BUILD) is False, "the open page still gets its own build's files"

    def new_build_served():  # in a new tab, once no page of the old build is open
        nonlocal page
        page.close()
        run.pages.remove(page)
        page = open_page(run, origin=server.origin)
        return page.js(NEW_BUILD)
    until(new_build_served, what="the new build")
    assert page.js(CACHES) == "qorvane-switcher-0123456789abcdef", "the old cache deleted"
    server.stop()
    page.js("(window.before = true, location.reload())")
    page.wait("!window.before")
    assert ready(page).js("!!navigator.serviceWorker.controller"), "offline, from the worker"


@case()
def phone_width(run):
    """On a phone 360 px wide the window fills the width. (MiniBrowser's
    window is never narrower than its toolbar, about 450 px.)"""
    page = open_page(run, width=360, height=640)
    screen = page.js("innerWidth")
    assert screen <= 480, f"a viewport {screen} px wide"
    x, _, width, _ = page.box("Form1")
    assert abs(x) <= 1 and abs(width - screen) <= 2, f"the window at {x}, {width} wide"
    assert page.js("Command1.offsetWidth") / E.BOXES["Command1"][2] > 1.2


@case("chromium")
def tablet(run):
    """An iPad-sized touch screen: push buttons big enough to tap, the
    layout scaled as one."""
    page = open_page(run, device="ipad", width=820, height=1180, touch=True)
    sizes = {c: page.js(OFFSETS.format(c)) for c in E.BOXES}
    scale = sizes["Command1"][3] / E.BOXES["Command1"][3]
    assert page.box("Command1")[3] >= 44, f"a push button {page.box('Command1')[3]} px tall"
    for control, box in E.BOXES.items():
        assert all(abs(g - w * scale) <= 1 + scale for g, w in zip(sizes[control], box)), \
            (control, sizes[control], scale)
    assert page.box("Form1")[2] <= 820


# In place: only Chromium has file handles.

@case("chromium", rows=["Simplified", "Traditional"])
def convert_in_place(run, edition):
    """Write permission asked once, at the conversion; the runs written in
    the file itself, and 转换成功 only once it is saved."""
    page = open_page(run, mode="picker")
    choose(run, page, "rom.gba", E.image(edition))
    assert page.js("__test.permissionCalls") == [], "permission asked at the pick"
    convert(page, E.OTHER[edition])
    expect_box(page, *E.CONVERTED)
    assert page.js("__test.boxAtClose") is False, "转换成功 before the file was saved"
    calls = page.js("__test.permissionCalls")
    assert calls[:1] == [["query", "readwrite"]] and len(calls) <= 2, calls
    assert page.js("[__test.bytesRead <= 3 + 35, __test.written]") == [True, 35]
    expect_ended(page, [E.ENDED])
    assert read_back(page, "__test.readFile('rom.gba')") == E.image(E.OTHER[edition])
    assert page.js("__test.copies.length") == 0


# The failing call, its error and the calls that succeed first; the report.
FAULTS = {
    "write refused": ("fail.write", ["NoModificationAllowedError", 2], E.FAILED_WRITE,
                      E.NO_MODIFICATION, E.RESTORED),
    "close over quota": ("fail.close", ["QuotaExceededError", 0], E.FAILED_SAVE,
                         E.QUOTA_EXCEEDED, E.RESTORED),
    "permission denied": ("permission", "denied", E.FAILED_OPEN, E.NOT_ALLOWED, E.UNCHANGED),
}


@case("chromium", rows=list(FAULTS))
def fault_in_place(run, row):
    """A failing write, close or permission: the report names the browser's
    reason in Chinese, and the file keeps its bytes."""
    setting, value, verb, reason, outcome = FAULTS[row]
    page = open_page(run, mode="picker")
    choose(run, page, "rom.gba", E.image("Simplified"))
    page.js(f"__test.{setting} = {json.dumps(value)}")
    convert(page, "Traditional")
    expect_file_error(page, "rom.gba", verb, reason, outcome)
    assert row != "write refused" or page.js("__test.aborted"), "the failed stream aborted"
    expect_ended(page, [E.ENDED])
    page.js("__test.fail = {}")
    assert read_back(page, "__test.readFile('rom.gba')") == E.image("Simplified")


@case("chromium")
def picker_fails(run):
    """A picker that will not open: the internal error report, then the end."""
    page = open_page(run, mode="picker")
    page.js("showOpenFilePicker = async () => { throw new DOMException('', 'SecurityError'); }")
    page.click(("button", E.BROWSE))
    text = expect_box(page, E.ERROR, None)
    assert text[0] == E.INTERNAL_ERROR_LEAD and text[1].startswith(E.PICKER_FAILED), text
    expect_ended(page, [E.ENDED])


# ----------------------------------------------------------------- runner

def on_alarm(signum, frame):
    raise TimeoutError(f"the case took over {CASE_TIMEOUT} s")


def run_case(run, function, row):
    """One case, within CASE_TIMEOUT: "ok", or "FAIL" and why."""
    signal.alarm(CASE_TIMEOUT)
    try:
        run.browser = run.browser or harness.open_browser(run.engine)
        function(run) if row is None else function(run, row)
        return "ok", ""
    except Exception:  # a timeout included
        return "FAIL", "\n" + traceback.format_exc()
    finally:
        signal.alarm(0)


def main(args):
    engines, shots, name_filter = [], harness.ROOT / "build/web/screenshots", ""
    while args:
        arg = args.pop(0)
        if arg == "--engine":
            engines.append(args.pop(0))
        elif arg == "--screenshots":
            shots = Path(args.pop(0)).resolve()
        else:
            name_filter = arg
    signal.signal(signal.SIGALRM, on_alarm)
    statuses = []
    for engine in engines or harness.ENGINES:
        run = SimpleNamespace(engine=engine, shots=shots, server=harness.Server(), browser=None)
        for name, function, case_engines, row in CASES:
            if engine not in case_engines or name_filter not in name:
                continue
            run.dir, run.pages, run.servers = Path(tempfile.mkdtemp()), [], []
            start = time.time()
            status, detail = run_case(run, function, row)
            print(f"{status:5} {engine} {name} ({time.time() - start:.1f} s){detail}",
                  flush=True)
            statuses.append(status)
            if status == "ok":
                for page in run.pages:
                    page.close()
            for server in run.servers:
                server.stop()
            shutil.rmtree(run.dir, ignore_errors=True)
            if status == "FAIL" and run.browser:  # a fresh browser for the next case
                run.browser.close()
                run.browser = None
        if run.browser:
            run.browser.close()
        run.server.stop()
    print(f"{statuses.count('ok')} passed, {statuses.count('FAIL')} failed")
    return 1 if "FAIL" in statuses else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
