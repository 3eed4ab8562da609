#!/usr/bin/env python3
"""The web edition in headless Chromium, by real mouse, key and touch input.
Usage: browser_test.py [--screenshots DIR] [NAME_FILTER]"""

import base64, json, re, shutil, sys, tempfile, time, traceback
from pathlib import Path
from types import SimpleNamespace

import harness as h
from harness import CONTROLS, TEXTS as T, until

MIB, TESTS, OK, RADIOS = 0x100000, [], T["kOkButton"], "[Option1.checked, Option2.checked]"
WINDOW, BOX = ("dialog", T["kWindowTitle"]), ("alertdialog",)
HAN = "[^A-Za-z]*[\u4e00-\u9fff][^A-Za-z]*"  # a reason told in Chinese


def test(*rows):  # registers `fn` once per row, or once
    return lambda fn: TESTS.extend((f"{fn.__name__}{list(row)}", lambda r, fn=fn, row=row: fn(
        r, *row)) for row in [r if isinstance(r, tuple) else (r,) for r in rows] or [()])


def page(r, mode="picker", origin=None, **kw):  # a tab of the site with the window ready
    r.pages.append(p := h.Page(r.browser, mode, **kw))
    p.goto((origin or r.server.origin) + "/")
    return ready(p)


def ready(p):  # the focus on 转 换 and the window wired (no longer busy)
    p.wait(f"document.activeElement?.textContent === {T['kConvertButton']!r} && "
           "!document.body.classList.contains('busy')", 30)
    return p


def shown(p):  # the path box and the frame's caption
    return p.js("[Text1.value, document.querySelector('#Frame1 legend').textContent]")


def choose(r, p, edition, size=MIB, wait=True):  # an image by 浏览.. (None: cancel)
    name, data = f"rom{len([*r.dir.glob('*.gba')]) + 1}.gba", h.image(size, edition)
    p.make_file(name, data), (r.dir / name).write_bytes(data)
    p.js(f"__pick = {json.dumps(edition and name)}")
    r.browser.events.clear()
    p.click(("button", T["kBrowseButton"]))
    if p.mode == "download":
        node = r.browser.wait_event("Page.fileChooserOpened")["backendNodeId"]
        p.call("DOM.setFileInputFiles", files=[str(r.dir / name)], backendNodeId=node) if \
            edition else p.on(node, "function() { this.dispatchEvent(new Event('cancel')); }")
    wait and until(lambda: shown(p)[0] == name)
    return name, data


def expect_box(p, title, text):
    """The box `title`: the lines of `text`, one 确定 with the focus, the window inert."""
    box = until(lambda: p.find("alertdialog", title))[0]
    lines, buttons, focused = p.on(box, r"""function() { return [this.innerText.replace(
        /\u00a0/g, ' ').split('\n'), [...this.querySelectorAll('button')].map(e => e.textContent),
        this.querySelector('button') === document.activeElement]; }""")
    assert f"\n{text}\n".replace("\r", "\n") in "\n".join(["", *lines, ""]), lines
    assert [buttons, focused, p.find(*WINDOW)] == [[OK], True, []], "buttons, focus, the window"
    radios = p.js(RADIOS)
    for shift in (False, True):  # neither Tab nor Shift+Tab reach the window
        p.tab(shift)
        assert not p.js("Form1.contains(document.activeElement) || document.querySelector("
                        "'[role=alertdialog] button').focus()"), "Tab left the box"
    p.click("Option2")  # beneath the box, or on it
    assert p.js(RADIOS) == radios, "a click beneath the box"
    p.click(("button", OK))
    until(lambda: not p.find(*BOX))
    return lines


def ended(p):  # the window gone, the notice shown; starts again
    until(lambda: not p.find(*WINDOW) and T["kEndedNotice"] in p.js("document.body.innerText"))
    p.click(("button", T["kStartAgainButton"]))
    assert shown(ready(p)) == ["", T["kFrameCaption"]], "started again"


def check_layout(p):  # the client height and each control's box within 1 px; the window's box
    s, window, got = p.js("""(c => [c.clientWidth / %d, (r => [r.x, r.y, r.width, r.height])(Form1
        .getBoundingClientRect()), [[c.clientHeight], ...%s.map(n => document.getElementById(n))
        .map(e => [e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight])]])(
        document.getElementById('Form1-client'))""" % (h.px(h.CLIENT[0]), json.dumps([*CONTROLS])))
    want = [[h.CLIENT[1]]] + [c[1] for c in CONTROLS.values()]
    assert not [n for n, g, w in zip(["client", *CONTROLS], got, want) if any(
        abs(a / s - h.px(b)) > 1.05 for a, b in zip(g, w))], f"boxes {got} at scale {s}"
    return s, window


@test()
def window_at_load(r):  # and the picker failing, which ends the tool
    p = page(r, )
    assert shown(p) == ["", T["kFrameCaption"]], "path, caption"
    assert p.js("Text1.readOnly") and p.find("button", T["kCloseButton"])
    for i, (_, name) in enumerate(sorted((c[2], n) for n, c in CONTROLS.items()
                                         if c[0] not in ("Frame", "Label"))):
        p.tab() if i else None
        assert p.js("document.activeElement.id") == name, f"tab stop {i}"
    assert re.fullmatch(r"[^*:]*script-src 'self'[^*:]*", p.js("document.querySelector("
                        "'meta[http-equiv=Content-Security-Policy]').content")), "CSP"
    p.js("showOpenFilePicker = async () => { throw new DOMException('', 'SecurityError') }")
    p.click(("button", T["kBrowseButton"]))
    lines = expect_box(p, T["kErrorTitle"], T["kInternalErrorLead"])
    reason = lines[lines.index(T["kInternalErrorLead"]) + 1]
    assert re.fullmatch(T["kPickerFailed"] + "：" + HAN, reason), lines
    ended(p)


# A file chosen (edition, size) or None, a button pressed (None: the browse alone), the box.
MESSAGES = [(None, "kAboutButton", "kAboutTitle", "kAboutText"),
            (None, "kConvertButton", "kWarningTitle", "kNoRomWarning"),
            (("Simplified", MIB), "kConvertButton", "kWarningTitle", "kNoScriptWarning"),
            (("NotEnhanced", MIB), None, "kWarningTitle", "kNotEnhancedWarning"),
            (("Unrecognised", MIB), None, "kWarningTitle", "kUnrecognisedWarning"),
            (("Simplified", h.SIGNATURE_OFFSET + 2), None, "kWarningTitle",
             "kUnrecognisedWarning")]


@test("picker", "download")
def messages(r, mode):  # and a cancelled browse, which changes nothing
    p = page(r, mode)
    for choice, button, title, text in MESSAGES:
        before = shown(p)
        if choice:
            choose(r, p, *choice, wait=bool(button))
        if button:
            p.click(("button", T[button]))
        expect_box(p, T[title], T[text])
        assert button or shown(p) == before, f"after {text}"
    choose(r, p, None, wait=False)
    time.sleep(0.3)
    assert [shown(p), p.find(*BOX)] == [before, []], "after a cancel"
    p.click(("button", T["kExitButton" if mode == "picker" else "kCloseButton"]))
    ended(p)


# Mode, the file's edition and size, a stream's call made to fail (see INSTRUMENTS) or None.
CONVERSIONS = [("picker", "Simplified", MIB, None), ("download", "Traditional", MIB, None),
               ("picker", "Simplified", MIB, ("write", "NoModificationAllowedError", 2)),
               ("picker", "Traditional", MIB, ("close", "QuotaExceededError", 0)),
               ("picker", "Simplified", h.MIN_CONVERTIBLE - 1, None),
               ("download", "Simplified", h.MIN_CONVERTIBLE - 1, None)]


@test(*CONVERSIONS)
def convert(r, mode, edition, size, fault):
    p = page(r, mode)
    target = {"Simplified": "Traditional", "Traditional": "Simplified"}[edition]
    ok = fault is None and size >= h.MIN_CONVERTIBLE
    name, before = choose(r, p, edition, size)
    assert [p.js("__io.read"), shown(p)[1]] == [3, T[f"kStatus{edition}"]], "after browse"
    p.click(("radio", T[f"k{target}Label"]))
    p.js(f"__io.fail.{fault[0]} = {json.dumps(fault[1:])}" if fault else "0")
    p.js("__io.read = 0; __io.written = 0; __io.slowClose = 300")
    p.click(("button", T["kConvertButton"]))
    until(lambda: p.find(*BOX))
    assert shown(p)[1] == T[f"kStatus{target if ok else edition}"], "caption after converting"
    if ok:
        expect_box(p, T["kNoticeTitle"], T["kConvertedNotice"])
    else:
        lines = expect_box(p, T["kErrorTitle"], T["kFileErrorLead"])
        reason = "\n".join(lines[lines.index(T["kFileErrorLead"]) + 1:-1])  # to 确定
        assert name in reason and re.search(HAN, reason) and not (fault and fault[1] in reason)
        assert reason.endswith(h.OUTCOMES["Restored" if fault else "Unchanged"]), reason
    assert p.js("__io.read") <= 35 and (p.js("__io.aborted") or (fault or "-")[0] != "write")
    after = h.image(size, target) if ok else before  # in place, or in the download's copy
    if ok and mode == "picker":
        assert p.js("[__io.written, __io.boxBeforeClose]") == [35, False], "written; box"
    assert [p.read_file(name), (r.dir / name).read_bytes()] == [
        after if mode == "picker" else before, before], "the files after converting"
    if ok and mode == "download":  # a copy under the same name
        until(lambda: (r.dir / "downloads" / name).exists())
        assert (r.dir / "downloads" / name).read_bytes() == after, "the downloaded copy"
    ended(p)


@test()
def offline_reload(r):
    r.origins.append((server := h.Server()).origin)
    p = page(r, origin=server.origin)
    p.wait("!!navigator.serviceWorker.controller")  # the worker, once ready, claims the page
    server.shutdown()
    p.call("Network.emulateNetworkConditions", offline=True, latency=0,
           downloadThroughput=-1, uploadThroughput=-1)
    p.goto()
    ready(p)


@test()
def screenshots(r):  # and each layout, by mouse and by touch, with no text clipped
    for width, file in ((800, "screenshot-web.png"), (360, "screenshot-web-phone.png")):
        p = page(r, width=width, height=600 if width == 800 else 640, mobile=width < 800, scale=2)
        scale, (x, y, w, hgt) = check_layout(p)
        assert abs(scale - 1) * h.px(h.CLIENT[0]) <= 1 and abs(x + w / 2 - 400) <= 1 \
            if width == 800 else 0.9 * 360 <= w <= 361 and x >= -1, (scale, x, w)
        choose(r, p, "Simplified")
        for node in ("Option2", "Label1", ("button", T["kAboutButton"])):
            p.click(node, touch=width < 800)  # a label is no part of its option
        assert p.js(RADIOS) == [False, True], "options"
        until(lambda: p.find(*BOX))
        assert not p.js("""[...document.querySelectorAll('[role=alertdialog] *, #Form1 *')]
            .filter(e => !e.childElementCount && e.textContent.trim() && getComputedStyle(e)
            .display !== 'inline' && (e.scrollWidth > e.clientWidth || e.clientHeight <
            parseFloat(getComputedStyle(e).fontSize))).map(e => e.textContent)"""), width
        p.click(("button", OK), touch=width < 800)
        until(lambda: not p.find(*BOX))
        r.shots.mkdir(parents=True, exist_ok=True)
        (r.shots / file).write_bytes(base64.b64decode(p.call("Page.captureScreenshot", **(
            {"clip": {"x": x - 16, "y": y - 16, "width": w + 32, "height": hgt + 32,
                      "scale": 1}} if width == 800 else {}))["data"]))


def no_requests_leave(r):  # the site, nor carry data
    site = tuple(f"{scheme}{o}/" for o in r.origins for scheme in ("", "blob:"))
    assert not (bad := [q["url"] for q in r.browser.requests
                        if not q["url"].startswith(site) or q.get("hasPostData")]), bad


def main(argv):
    at = argv.index("--screenshots") if "--screenshots" in argv else len(argv)
    shots = Path(argv[at + 1] if argv[at:] else h.ROOT / "build/web/screenshots").resolve()
    run = SimpleNamespace(server=h.Server(), browser=h.Browser(), shots=shots, pages=[],
                          dir=Path(tempfile.mkdtemp()))
    run.origins, pick, failed = [run.server.origin], (argv[1:at] + argv[at + 2:] + [""])[0], []
    run.browser.call("Browser.setDownloadBehavior", behavior="allow",
                     downloadPath=str(run.dir / "downloads"))
    chosen = [t for t in TESTS if pick in t[0]] + [(no_requests_leave.__name__, no_requests_leave)]
    for name, fn in chosen:
        try:
            fn(run)
            print(f"ok    {name}", flush=True)
        except Exception:
            failed.append(print(f"FAIL  {name}\n{traceback.format_exc()}", flush=True))
        while run.pages:
            run.pages.pop().close()
    run.browser.close(), run.server.shutdown(), shutil.rmtree(run.dir, ignore_errors=True)
    print(f"{len(chosen) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
