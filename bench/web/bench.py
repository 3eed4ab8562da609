#!/usr/bin/env python3
"""Measures the web edition and prints Markdown tables: the site's size
(raw and gzip); in Chromium, the renderer's peak memory converting a
256 MiB image against a 1 MiB one in both modes, beside reading the whole
file into an ArrayBuffer, and the bytes read and written; and in each
engine (Chromium, Firefox, WebKit, by the browser tests' drivers) the time
from navigation to the window ready, against the same window as a static
page (the built index.html without its script), on a first and a second
visit.

Memory is the peak resident set (VmHWM) of the renderer processes, read
from /proc once the flow has ended; each measurement runs in a fresh
browser. Run after `bash scripts/web.sh --build-only`.

Usage: bench.py [--engine NAME]... [--runs N] [--no-memory]"""

import gzip
import json
import re
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests/web"))
import expected as E  # noqa: E402
import harness  # noqa: E402

MIB = 0x100000
# Loaded first in each page: when the focus is first on 转 换 with the window
# taking clicks (no longer busy), in ms from the navigation's start.
# Also when the focus is first there, the window shown but maybe not wired.
READY = """window.__readyAt = window.__focusAt = null;
(() => {
  const check = () => {
    const focused = document.activeElement;
    if (__readyAt !== null || !focused || focused.textContent.trim() !== %s) return;
    if (__focusAt === null) __focusAt = performance.now();
    if (!document.body.classList.contains('busy')) __readyAt = performance.now();
  };
  addEventListener('focusin', check, true);
  const frame = () => { check(); if (__readyAt === null) requestAnimationFrame(frame); };
  requestAnimationFrame(frame);
})();""" % json.dumps(E.CONVERT)
# The origin's private file `name`, resized to `size` (zeros beyond what it held).
RESIZE = """(async () => {
  const w = await (await (await navigator.storage.getDirectory()).getFileHandle(%r))
      .createWritable({keepExistingData: true});
  await w.truncate(%d);
  await w.close();
})()"""


def site_size():
    files = [f for f in harness.SITE.rglob("*") if f.is_file()]
    return (sum(f.stat().st_size for f in files),
            sum(len(gzip.compress(f.read_bytes(), 9, mtime=0)) for f in files))


def peak_kib(browser):
    peak = 0
    for process in browser.send("SystemInfo.getProcessInfo")["processInfo"]:
        if process["type"] != "renderer":
            continue
        for line in Path(f"/proc/{process['id']}/status").read_text().splitlines():
            if line.startswith("VmHWM:"):
                peak = max(peak, int(line.split()[1]))
    return peak


def ready(page, timeout=120):
    page.wait(f"document.activeElement && document.activeElement.textContent === "
              f"{E.CONVERT!r} && !document.body.classList.contains('busy')", timeout)


def memory(server, mode, size, whole_read=False):
    """Chromium's renderer peak converting (or reading whole) an image of
    `size` in `mode`, and the bytes read at inspection, read and written
    at conversion."""
    from drivers.chromium import Chromium
    profile = tempfile.mkdtemp(prefix="qorvane-bench-")
    disk = Path(profile, "bench.gba")
    url = f"{server.origin}/#mode={mode}"
    browser = None
    try:
        head = E.image("Simplified", E.RUNS_END)
        if mode == "picker":  # the file made in one browser, converted in another
            browser = Chromium(profile)
            page = browser.page(url)
            page.js(f"__test.makeFile('bench.gba', {json.dumps(_b64(head))})")
            page.js(RESIZE % ("bench.gba", size))
            browser.close()
        else:
            with open(disk, "wb") as f:
                f.write(head)
                f.truncate(size)
        browser = Chromium(profile)
        page = browser.page(url)
        ready(page)
        if whole_read:
            page.js("(async () => (window.__all = await (await (await (await navigator"
                    ".storage.getDirectory()).getFileHandle('bench.gba')).getFile())"
                    ".arrayBuffer()).byteLength)()")
            return peak_kib(browser), None, None, None
        page.js("__test.pick = 'bench.gba'")
        page.click(("button", E.BROWSE))
        if mode == "download":
            page.wait("__test.inputClicks > 0")
            page.set_files(page.element("__test.fileInput"), [disk])
        page.wait("Text1.value === 'bench.gba'", 120)
        inspected = page.js("__test.bytesRead")
        page.click(("radio", E.TRADITIONAL_LABEL))
        page.js("__test.bytesRead = 0; __test.written = 0")
        page.click(("button", E.CONVERT))
        harness.until(lambda: page.find("alertdialog", E.NOTICE), 120)
        if mode == "download":
            page.click(("button", E.OK))
            page.wait("__test.downloads.length > 0", 120)
        return (peak_kib(browser), inspected, page.js("__test.bytesRead"),
                page.js("__test.written"))
    finally:
        if browser:
            browser.close()
        shutil.rmtree(profile, ignore_errors=True)


def _b64(data):
    import base64
    return base64.b64encode(data).decode()


def memory_rows(server):
    rows = []
    for mode, label in (("picker", "in place"), ("download", "by download")):
        small, inspected, read, written = memory(server, mode, MIB)
        large, *_ = memory(server, mode, 256 * MIB)
        ratio = large / small
        rows.append((f"Chromium renderer peak, converting {label}: 1 MiB / 256 MiB",
                     f"{small / 1024:.1f} / {large / 1024:.1f} MiB ({ratio:.3f}×)",
                     "pass (limit 1.15×)" if ratio <= 1.15 else "FAIL (limit 1.15×)"))
        rows.append((f"Bytes read, {label}: inspection; conversion (written)",
                     f"{inspected}; {read} ({written})",
                     "pass" if inspected == 3 and read <= 35 else "FAIL"))
    whole, *_ = memory(server, "picker", 256 * MIB, whole_read=True)
    rows.append(("Chromium renderer peak, reading 256 MiB into an ArrayBuffer",
                 f"{whole / 1024:.1f} MiB", "for comparison"))
    return rows


def visit_sites(root, runs):
    """The site and its plain copy, once per run in a folder of its own, so
    that each run's first visit finds nothing cached (nor a service worker
    for its scope). Returns the plain page's name."""
    page = (harness.SITE / "index.html").read_text(encoding="utf-8")
    plain, scripts = re.subn(r"<script\b[^>]*></script>\n?", "", page)
    plain, busy = re.subn(r'(<body[^>]*) class="busy"', r"\1", plain)
    assert (scripts, busy) == (1, 1), "the page's script and busy class"
    for run in range(runs):
        shutil.copytree(harness.SITE, root / f"r{run}")
        (root / f"r{run}" / "plain.html").write_text(plain, encoding="utf-8")


def startup(engine, server, runs):
    """Medians over `runs` of the ms from navigation to the window ready:
    [[site, plain] on a first visit, [site, plain] on a second], and of the
    site's focus alone [first, second]. The two pages take turns, so a busy
    machine weighs on both alike."""
    times = [[[], []], [[], []]]
    focus = [[], []]
    browser = harness.open_browser(engine)
    try:
        page = browser.page("about:blank")
        for run in range(runs):
            for which, path in enumerate((f"/r{run}/", f"/r{run}/plain.html")):
                for visit in (0, 1):
                    page.goto(server.origin + path)
                    if visit == 0 and which == 0:  # the service worker, as a visit leaves it
                        page.wait("navigator.serviceWorker.ready.then(() => true)", 60)
                    times[visit][which].append(page.wait("window.__readyAt", 60))
                    if which == 0:
                        focus[visit].append(page.js("window.__focusAt"))
                    page.goto("about:blank")
                    time.sleep(0.05)
    finally:
        browser.close()
    return ([[statistics.median(t) for t in visit] for visit in times],
            [statistics.median(t) for t in focus])


def main(argv):
    engines, runs, with_memory, args = [], 9, True, list(argv[1:])
    while args:
        arg = args.pop(0)
        if arg == "--engine":
            engines.append(args.pop(0))
        elif arg == "--runs":
            runs = int(args.pop(0))
        elif arg == "--no-memory":
            with_memory = False
        else:
            print(__doc__, file=sys.stderr)
            return 2
    engines = engines or list(harness.ENGINES)
    rows = []
    raw, packed = site_size()
    rows.append(("Site size, all files", f"{raw / 1024:.1f} KiB raw, "
                 f"{packed / 1024:.1f} KiB gzip",
                 "pass (limit 256 KiB raw)" if raw <= 256 * 1024 else "FAIL (limit 256 KiB)"))
    if with_memory and "chromium" in engines:
        server = harness.Server()
        try:
            rows += memory_rows(server)
        finally:
            server.stop()
    root = Path(tempfile.mkdtemp(prefix="qorvane-bench-site-"))
    server = harness.Server(root, READY.encode())
    try:
        visit_sites(root, runs)
        for engine in engines:
            ((site, plain), (site2, plain2)), focus = startup(engine, server, runs)
            for name, s, p in (("first", site, plain), ("second", site2, plain2)):
                ratio = s / p
                rows.append((f"{engine}: navigation to the window ready (focus on "
                             f"{E.CONVERT}, taking clicks), {name} visit, median of "
                             f"{runs}: page / plain HTML",
                             f"{s:.0f} / {p:.0f} ms ({ratio:.2f}×)",
                             "pass (limit 1.5×)" if ratio <= 1.5 else "FAIL (limit 1.5×)"))
            rows.append((f"{engine}: navigation to the focus on {E.CONVERT} alone (the "
                         f"window shown, not yet wired), first; second visit",
                         f"{focus[0]:.0f} / {plain:.0f} ms ({focus[0] / plain:.2f}×); "
                         f"{focus[1]:.0f} / {plain2:.0f} ms ({focus[1] / plain2:.2f}×)",
                         "for comparison"))
    finally:
        server.stop()
        shutil.rmtree(root, ignore_errors=True)
    print("| measurement | result | |\n|---|---|---|")
    for row in rows:
        print("| " + " | ".join(row) + " |")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
