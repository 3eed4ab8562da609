#!/usr/bin/env python3
"""Measures the web edition in headless Chromium and prints a Markdown table:
the site's size (raw and gzip), the renderer's peak memory converting a
256 MiB image against a 1 MiB one in both modes beside reading the whole
file into an ArrayBuffer, the time from navigation to the window ready,
and to the focus on its first control alone, against the same page as
plain HTML (the built index.html without its script), and the bytes read
from and written to the ROM.

Memory is the peak resident set (VmHWM) of the renderer processes, read
from /proc once the flow has ended; each measurement runs in a fresh
browser. Run after `bash scripts/web.sh --build-only`."""

import gzip
import json
import re
import shutil
import statistics
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests/web"))
import browser_test as t  # noqa: E402
import harness as h  # noqa: E402

MIB = 0x100000
# When the focus is first on the first control, and when it is there with
# the window taking clicks (no longer busy).
READY = r"""window.__focusAt = window.__readyAt = null;
(() => {
  const check = () => {
    const a = document.activeElement;
    if (!a || a.textContent.trim() !== %s) return;
    if (__focusAt === null) __focusAt = performance.now();
    if (__readyAt === null && !document.body.classList.contains('busy'))
      __readyAt = performance.now();
  };
  addEventListener('focusin', check, true);
  const frame = () => { check(); if (__readyAt === null)
    requestAnimationFrame(frame); };
  requestAnimationFrame(frame);
})();""" % json.dumps(t.T["kConvertButton"])
# The origin's private file `name`, resized to `size` (zeros beyond what it held).
RESIZE = """(async () => {
  const w = await (await (await navigator.storage.getDirectory()).getFileHandle(%r))
      .createWritable({keepExistingData: true});
  await w.truncate(%d);
  await w.close();
})()"""


def site_size():
    files = [f for f in h.SITE.rglob("*") if f.is_file()]
    return (sum(f.stat().st_size for f in files),
            sum(len(gzip.compress(f.read_bytes(), 9, mtime=0)) for f in files))


def peak_kib(browser):
    peak = 0
    for process in browser.call("SystemInfo.getProcessInfo")["processInfo"]:
        if process["type"] != "renderer":
            continue
        for line in Path(f"/proc/{process['id']}/status").read_text().splitlines():
            if line.startswith("VmHWM:"):
                peak = max(peak, int(line.split()[1]))
    return peak


class Fresh:
    """A fresh browser with the server's site open; `profile` keeps the
    origin's private files between browsers."""

    def __init__(self, server, profile, mode, downloads=None):
        self.browser = h.Browser(profile)
        if downloads:
            self.browser.call("Browser.setDownloadBehavior", behavior="allow",
                              downloadPath=downloads)
        self.page = h.Page(self.browser, mode)
        self.page.goto(server.origin + "/")
        t.ready(self.page)


def memory(server, mode, size, whole_read=False):
    """The renderer's peak converting (or reading whole) an image of
    `size` in `mode`, and the bytes read and written."""
    profile = tempfile.mkdtemp(prefix="qorvane-bench-")
    disk = Path(profile, "roms")
    disk.mkdir()
    downloads = Path(profile, "downloads")
    name = "bench.gba"
    head = h.image(h.MIN_CONVERTIBLE, "Simplified")  # zeros follow
    browser = None
    try:
        if mode == "picker":
            setup = Fresh(server, profile, mode)
            setup.page.make_file(name, head)
            setup.page.js(RESIZE % (name, size))
            setup.browser.close()
        else:
            with open(disk / name, "wb") as f:
                f.write(head)
                f.truncate(size)
        fresh = Fresh(server, profile, mode, str(downloads))
        p, browser = fresh.page, fresh.browser
        if whole_read:
            p.js(f"(async () => {{ window.__all = await (await (await (await navigator"
                 f".storage.getDirectory()).getFileHandle({name!r})).getFile())"
                 f".arrayBuffer(); return __all.byteLength; }})()")
            return peak_kib(browser), None, None, None
        p.js(f"__io.read = 0; __pick = {name!r}")
        browser.events.clear()
        p.click(("button", t.T["kBrowseButton"]))
        if mode == "download":
            node = browser.wait_event("Page.fileChooserOpened")["backendNodeId"]
            p.call("DOM.setFileInputFiles", files=[str(disk / name)],
                   backendNodeId=node)
        h.until(lambda: t.shown(p)[0] == name, 120)
        inspected = p.js("__io.read")
        p.click(("radio", t.T["kTraditionalLabel"]))
        p.js("__io.read = 0; __io.written = 0")
        p.click(("button", t.T["kConvertButton"]))
        h.until(lambda: p.find("alertdialog", t.T["kNoticeTitle"]), 120)
        if mode == "download":
            h.until(lambda: (downloads / name).exists(), 120)
        return (peak_kib(browser), inspected, p.js("__io.read"),
                p.js("__io.written"))
    finally:
        if browser:
            browser.close()
        shutil.rmtree(profile, ignore_errors=True)


def plain_page(root):
    """The site's page as plain HTML in `root`: the same window and style
    sheet, without the script (so never busy)."""
    page = (h.SITE / "index.html").read_text(encoding="utf-8")
    page, scripts = re.subn(r"<script\b[^>]*></script>\n?", "", page)
    page, busy = re.subn(r'(<body[^>]*) class="busy"', r"\1", page)
    assert (scripts, busy) == (1, 1), "the page's script and busy class"
    (root / "plain.html").write_text(page, encoding="utf-8")
    return "/plain.html"


def startup(server, urls, runs=15):
    """Per URL and visit, the median ms from navigation to the focus on
    the first control alone and to the window ready: on a first visit,
    each in a fresh browser context (cold cache, no service worker), and
    on a second visit in that context. The URLs take turns, so a busy
    machine weighs on both alike."""
    browser = h.Browser()
    times = {url: ([], []) for url in urls}
    try:
        for _ in range(runs):
            for url in urls:
                context = browser.call("Target.createBrowserContext")[
                    "browserContextId"]
                p = h.Page(browser, browserContextId=context)
                p.call("Page.addScriptToEvaluateOnNewDocument", source=READY)
                for visit in times[url]:
                    p.call("Page.navigate", url=url)
                    p.wait("document.readyState === 'complete'", 30)
                    ready = p.wait("window.__readyAt", 30)
                    visit.append((p.js("__focusAt"), ready))
                p.close()
                browser.call("Target.disposeBrowserContext",
                             browserContextId=context)
    finally:
        browser.close()
    return [[[statistics.median(run[i] for run in visit) for i in (0, 1)]
             for visit in times[url]] for url in urls]


def main():
    root = Path(tempfile.mkdtemp(prefix="qorvane-bench-site-"))
    shutil.copytree(h.SITE, root, dirs_exist_ok=True)
    plain = plain_page(root)
    server = h.Server(root)
    rows = []
    try:
        raw, packed = site_size()
        rows.append(("Site size, all files (limit 256 KiB raw)",
                     f"{raw / 1024:.1f} KiB raw, {packed / 1024:.1f} KiB gzip",
                     "pass" if raw <= 256 * 1024 else "FAIL"))
        for mode, label in (("picker", "in place"), ("download", "download")):
            small, inspected, read, written = memory(server, mode, MIB)
            large, *_ = memory(server, mode, 256 * MIB)
            ratio = large / small
            rows.append((f"Renderer peak, converting {label}: 1 MiB / 256 MiB",
                         f"{small / 1024:.1f} / {large / 1024:.1f} MiB "
                         f"({ratio:.3f}×, limit 1.15×)",
                         "pass" if ratio <= 1.15 else "FAIL"))
            rows.append((f"Bytes read / written, {label}: inspection, "
                         f"conversion", f"{inspected}; {read} / {written}",
                         "pass" if inspected == 3 else "FAIL"))
        whole, *_ = memory(server, "picker", 256 * MIB, whole_read=True)
        rows.append(("Renderer peak, reading 256 MiB into an ArrayBuffer",
                     f"{whole / 1024:.1f} MiB", "for comparison"))
        site, plain = startup(server, [server.origin + "/",
                                       server.origin + plain])
        convert = t.T["kConvertButton"]
        for visit, name in enumerate(("first", "second")):
            ratio = site[visit][1] / plain[visit][1]
            rows.append((f"Navigation to window ready (focus on {convert}), "
                         f"{name} visit, median of 15: site / plain HTML",
                         f"{site[visit][1]:.0f} / {plain[visit][1]:.0f} ms "
                         f"({ratio:.2f}×, limit 1.5×)",
                         "pass" if ratio <= 1.5 else "FAIL"))
        rows.append((f"Navigation to the focus on {convert} alone, first "
                     f"visit; second visit: site / plain HTML", "; ".join(
                         f"{s[0]:.0f} / {p[0]:.0f} ms ({s[0] / p[0]:.2f}×)"
                         for s, p in zip(site, plain)), "for comparison"))
    finally:
        server.shutdown()
        shutil.rmtree(root, ignore_errors=True)
    print("| measurement | result | |\n|---|---|---|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
