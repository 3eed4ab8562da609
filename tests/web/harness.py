"""What the browser tests and the web benchmarks share: the window's texts
and layout read from the C++ headers, synthetic ROM images built from the
engine's table, the site served on 127.0.0.1, and headless Chromium driven
over the DevTools Protocol with real mouse, key and touch input."""

import atexit
import base64
import functools
import http.server
import json
import os
import queue
import re
import shutil
import subprocess
import tempfile
import threading
import time
from pathlib import Path

import websocket

ROOT = Path(__file__).resolve().parents[2]
SITE = Path(os.environ.get("QORVANE_WEB_SITE", ROOT / "build/web/site"))


def _source(path):
    return (ROOT / path).read_text(encoding="utf-8")


def _literal(text):  # adjacent C++ string literals, as one string
    parts = re.findall(r'"((?:[^"\\]|\\.)*)"', text)
    return "".join(parts).replace("\\r", "\r").replace('\\"', '"')


# Every user-visible text by its constant's name (kWindowTitle, ...).
TEXTS = {
    name: _literal(value)
    for name, value in re.findall(
        r'constexpr std::string_view (k\w+) =\s*((?:"(?:[^"\\]|\\.)*"\s*)+);',
        _source("switcher/switcher_texts.h"))
}

# Form1's controls: name -> kind, container, caption, box (twips), tab index.
_layout = _source("window/shared/form1_layout.h")
CONTROLS = {
    m[0]: {"kind": m[1], "container": m[2],
           "caption": TEXTS[m[3]] if m[3] else "",
           "box": tuple(int(v) for v in m[4:8]), "tab": int(m[8])}
    for m in re.findall(
        r'\{\w+,\s*"(\w+)",\s*Kind::(\w+),\s*(\w+),\s*(?:texts::(\w+)|""),\s*'
        r'\{(\d+), (\d+), (\d+), (\d+)\},\s*(\d+)\}', _layout)
}
LABEL_FAMILIES = re.findall(r'"([^"]+)"', re.search(
    r"kLabelFontFamilies\{(.*?)\};", _layout, re.S)[1])


def first_installed(families):
    installed = subprocess.run(["fc-list", ":", "family"], capture_output=True,
                               text=True, check=True).stdout
    names = {n for line in installed.splitlines() for n in line.split(",")}
    return next((f for f in families if f in names), None)
CLIENT = tuple(int(re.search(rf"{n} = (\d+);", _layout)[1])
               for n in ("kClientWidth", "kClientHeight"))


def px(twips):  # TwipsToPixels at 96 DPI
    return (twips * 96 + 720) // 1440


# The engine's table: the signatures and the five sites with their tails.
_table = _source("rom/edition_table.h")
SIGNATURE_OFFSET = int(re.search(r"SignatureOffset = (0x\w+);", _table)[1], 16)
MIN_CONVERTIBLE = int(re.search(r"kMinConvertibleSize = (0x\w+);", _table)[1],
                      16)
SIGNATURES = {
    name: bytes(int(b, 16) for b in re.findall(r"0x\w+", body))
    for name, body in re.findall(r"k(\w+)Signature\{([^}]*)\}", _table)
}
SITES = [(int(offset, 16), bytes([int(a, 16), int(b, 16)]))
         for offset, a, b in re.findall(
             r"\{(0x\w+), \{(0x\w+), (0x\w+)\}\}", _table)]


def runs(script):  # the five (offset, run) a Simplified/Traditional file holds
    head = SIGNATURES[script]
    return {offset: head + b"\x08" + tail + b"\x00" for offset, tail in SITES}


def overlay(edition):  # the bytes an image of `edition` holds over its zeros
    if edition in ("Simplified", "Traditional"):
        return runs(edition)
    if edition == "NotEnhanced":
        return {SIGNATURE_OFFSET: SIGNATURES["NotEnhanced"]}
    return {}


def image(size, bytes_at):
    data = bytearray(size)
    for offset, run in bytes_at.items():
        data[offset:offset + len(run)] = run[:max(0, size - offset)]
    return bytes(data)


def write_sparse(path, size, bytes_at):
    with open(path, "wb") as f:
        f.truncate(size)
        for offset, run in bytes_at.items():
            f.seek(offset)
            f.write(run)


class Server:
    """The site (plus `extra` files by URL path) on a free port; every
    request is logged as (method, path, body length)."""

    def __init__(self, root=SITE, extra=None):
        self.log = []
        server = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler
                              .extensions_map, ".wasm": "application/wasm",
                              ".webmanifest": "application/manifest+json"}

            def translate_path(self, path):
                found = (extra or {}).get(path.split("?")[0])
                return str(found) if found else super().translate_path(path)

            def _logged(self):
                server.log.append((self.command, self.path, int(
                    self.headers.get("Content-Length") or 0)))

            def do_GET(self):
                self._logged()
                super().do_GET()

            def do_POST(self):
                self._logged()
                self.send_error(405)

            do_PUT = do_POST

            def log_message(self, *args):
                pass

        class Quiet(http.server.ThreadingHTTPServer):
            def handle_error(self, request, client_address):
                pass  # a browser that went away mid-answer

        self.httpd = Quiet(
            ("127.0.0.1", 0), functools.partial(Handler, directory=str(root)))
        self.origin = f"http://127.0.0.1:{self.httpd.server_address[1]}"
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class CdpError(Exception):
    pass


class Browser:
    """Headless Chromium with a fresh profile (or `profile`), spoken to over
    one DevTools WebSocket."""

    def __init__(self, profile=None):
        self.owns_profile = profile is None
        self.profile = profile or tempfile.mkdtemp(prefix="qorvane-chromium-")
        port_file = Path(self.profile, "DevToolsActivePort")
        port_file.unlink(missing_ok=True)
        atexit.register(self.close)  # even when a test or benchmark crashes
        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu",
             "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--remote-debugging-port=0",
             f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(300):
            if port_file.exists() and len(port_file.read_text().split()) == 2:
                break
            time.sleep(0.05)
        port, path = port_file.read_text().split()
        self.ws = websocket.create_connection(
            f"ws://127.0.0.1:{port}{path}", max_size=None)
        self.next_id = 0
        self.replies = {}
        self.events = queue.Queue()
        self.requests = []  # every Network.requestWillBeSent of every page
        self.lock = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        while True:
            try:
                message = json.loads(self.ws.recv())
            except Exception:  # closed
                with self.lock:
                    self.replies[None] = None
                    self.lock.notify_all()
                return
            if "id" in message:
                with self.lock:
                    self.replies[message["id"]] = message
                    self.lock.notify_all()
            else:
                if message["method"] == "Network.requestWillBeSent":
                    self.requests.append(message["params"]["request"])
                self.events.put(message)

    def call(self, method, session=None, **params):
        with self.lock:
            self.next_id += 1
            ident = self.next_id
        message = {"id": ident, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        self.ws.send(json.dumps(message))
        with self.lock:
            if not self.lock.wait_for(lambda: ident in self.replies
                                      or None in self.replies, 60):
                raise CdpError(f"{method}: no answer")
            reply = self.replies.pop(ident, None)
        if reply is None:
            raise CdpError(f"{method}: browser gone")
        if "error" in reply:
            raise CdpError(f"{method}: {reply['error']}")
        return reply["result"]

    def wait_event(self, method, timeout=10, session=None):
        """The next event `method` (of `session`); those before it go."""
        end = time.time() + timeout
        while time.time() < end:
            try:
                event = self.events.get(timeout=max(0.01, end - time.time()))
            except queue.Empty:
                break
            if event["method"] == method and (
                    session is None or event.get("sessionId") == session):
                return event["params"]
        raise CdpError(f"no {method} within {timeout} s")

    def drain(self):
        events = []
        while not self.events.empty():
            events.append(self.events.get())
        return events

    def renderer_pids(self):
        info = self.call("SystemInfo.getProcessInfo")["processInfo"]
        return [p["id"] for p in info if p["type"] == "renderer"]

    def close(self):
        if self.proc.poll() is not None:
            return
        try:
            self.call("Browser.close")
            self.proc.wait(10)
        except Exception:
            self.proc.kill()
            self.proc.wait()
        if hasattr(self, "ws"):
            self.ws.close()
        if self.owns_profile:
            shutil.rmtree(self.profile, ignore_errors=True)


# Installed in every page before its own scripts: counters of the bytes read
# from files and written through writable streams, a switch that makes a
# writable stream's write or close fail with a DOMException (fail.write =
# [name, how many calls succeed first]), a close made slow, the types of
# blobs given URLs, and helpers that make and read files in the origin's
# private file system with the unwrapped calls.
INSTRUMENTS = r"""(() => {
  const io = window.__io = {read: 0, written: 0, aborted: 0, urls: [],
                            fail: {}};
  const failing = op => io.fail[op] && io.fail[op][1]-- <= 0 &&
      Promise.reject(new DOMException('', io.fail[op][0]));
  const orig = {arrayBuffer: Blob.prototype.arrayBuffer};
  const size = d => d == null ? 0 : d.size ?? d.byteLength ?? d.length ?? 0;
  const wrap = (proto, name, body) => {
    const f = proto && proto[name];
    if (f) proto[name] = function (...a) { return body.call(this, f, a); };
  };
  for (const name of ['arrayBuffer', 'text', 'stream', 'bytes'])
    wrap(Blob.prototype, name, function (f, a) {
      io.read += this.size; return f.apply(this, a); });
  for (const name of ['readAsArrayBuffer', 'readAsText', 'readAsDataURL',
                      'readAsBinaryString'])
    wrap(FileReader.prototype, name, function (f, a) {
      io.read += a[0].size; return f.apply(this, a); });
  const W = window.FileSystemWritableFileStream;
  orig.write = W && W.prototype.write;
  wrap(W && W.prototype, 'write', function (f, a) {
    const failed = failing('write');
    if (failed) return failed;
    const d = a[0];
    if (!(d && d.type === 'seek') && !(d && d.type === 'truncate'))
      io.written += size(d && d.type === 'write' ? d.data : d);
    return f.apply(this, a);
  });
  wrap(W && W.prototype, 'close', async function (f, a) {
    const failed = failing('close');
    if (failed) return failed;
    await new Promise(later => setTimeout(later, io.slowClose || 0));
    await f.apply(this, a);  // then: was a box showing before the commit?
    io.boxBeforeClose = !!document.querySelector('[role=alertdialog]');
  });
  wrap(W && W.prototype, 'abort', function (f, a) {
    io.aborted++; return f.apply(this, a); });
  wrap(URL, 'createObjectURL', function (f, a) {
    io.urls.push(a[0].type); return f.apply(this, a); });
  const file = async (name, create) =>
    (await navigator.storage.getDirectory()).getFileHandle(name, {create});
  window.__makeFile = async (name, size, runs) => {
    const w = await (await file(name, true)).createWritable();
    await orig.write.call(w, {type: 'truncate', size});
    for (const [at, bytes] of runs)
      await orig.write.call(w, {type: 'write', position: at,
                                data: new Uint8Array(bytes)});
    await w.close();
  };
  window.__readFile = async name => {
    const b = new Uint8Array(await orig.arrayBuffer.call(
        await (await file(name, false)).getFile()));
    let s = '';
    for (let i = 0; i < b.length; i += 0x8000)
      s += String.fromCharCode.apply(null, b.subarray(i, i + 0x8000));
    return btoa(s);
  };
  // The picker, answered by the test: a file's name, or null to cancel.
  window.__picks = [];
  window.__pick = null;
  window.__file = file;
})();"""

PICKER_STAND_IN = r"""window.showOpenFilePicker = async options => {
  window.__picks.push(options);
  if (!window.__pick) throw new DOMException('The user aborted a request.',
                                            'AbortError');
  return [await window.__file(window.__pick, false)];
};"""

NO_PICKER = "delete window.showOpenFilePicker; " \
            "delete Window.prototype.showOpenFilePicker;"

KEYS = {"Tab": 9, "Enter": 13, "Escape": 27, " ": 32}


class Page:
    """One tab of `browser`, in the in-place ("picker") or download mode."""

    def __init__(self, browser, mode="picker", width=800, height=600,
                 mobile=False, context=None, scale=1, instruments=True):
        self.b = browser
        self.mode = mode
        target = browser.call("Target.createTarget", url="about:blank",
                              **({"browserContextId": context}
                                 if context else {}))["targetId"]
        self.target = target
        self.s = browser.call("Target.attachToTarget", targetId=target,
                              flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Network", "DOM"):
            self.call(f"{domain}.enable")
        self.call("Emulation.setDeviceMetricsOverride", width=width,
                  height=height, deviceScaleFactor=scale, mobile=mobile)
        if mobile:
            self.call("Emulation.setTouchEmulationEnabled", enabled=True,
                      maxTouchPoints=5)
        if instruments:
            self.call("Page.addScriptToEvaluateOnNewDocument",
                      source=INSTRUMENTS)
            self.call("Page.addScriptToEvaluateOnNewDocument",
                      source=PICKER_STAND_IN if mode == "picker" else NO_PICKER)
        if mode == "download":
            self.call("Page.setInterceptFileChooserDialog", enabled=True)

    def call(self, method, **params):
        return self.b.call(method, self.s, **params)

    def goto(self, url):
        self.call("Page.navigate", url=url)
        self.wait("document.readyState === 'complete'")

    def reload(self):
        self.call("Page.reload", ignoreCache=False)
        time.sleep(0.2)
        self.wait("document.readyState === 'complete'")

    def js(self, expression):
        reply = self.call("Runtime.evaluate", expression=expression,
                          awaitPromise=True, returnByValue=True)
        if "exceptionDetails" in reply:
            raise CdpError(f"{expression[:60]}: {reply['exceptionDetails']}")
        return reply["result"].get("value")

    def wait(self, expression, timeout=10):
        end = time.time() + timeout
        while True:
            try:
                value = self.js(expression)
            except CdpError:
                value = None
            if value:
                return value
            if time.time() > end:
                raise AssertionError(f"timed out waiting for {expression}")
            time.sleep(0.05)

    # Elements by role and accessible name, as a screen reader finds them.
    def find_all(self, role, name=None):
        root = self.call("DOM.getDocument", depth=0)["root"]["nodeId"]
        query = {"nodeId": root, "role": role}
        if name is not None:
            query["accessibleName"] = name
        nodes = self.call("Accessibility.queryAXTree", **query)["nodes"]
        return [n["backendDOMNodeId"] for n in nodes if not n.get("ignored")]

    def find(self, role, name=None, timeout=10):
        end = time.time() + timeout
        while True:
            found = self.find_all(role, name)
            if found:
                return found[0]
            if time.time() > end:
                raise AssertionError(f"no {role} named {name!r}")
            time.sleep(0.05)

    def on(self, node, function, *args):
        """Runs `function` (JS source) with `this` as the element."""
        obj = self.call("DOM.resolveNode", backendNodeId=node)["object"]
        reply = self.call("Runtime.callFunctionOn",
                          functionDeclaration=function,
                          objectId=obj["objectId"], returnByValue=True,
                          awaitPromise=True,
                          arguments=[{"value": a} for a in args])
        if "exceptionDetails" in reply:
            raise CdpError(str(reply["exceptionDetails"]))
        return reply["result"].get("value")

    def element(self, expression):
        """The element `expression` evaluates to, as a node id."""
        obj = self.call("Runtime.evaluate", expression=expression)["result"]
        if "objectId" not in obj:
            raise AssertionError(f"no element: {expression}")
        return self.call("DOM.describeNode",
                         objectId=obj["objectId"])["node"]["backendNodeId"]

    def name_of(self, node):
        tree = self.call("Accessibility.getPartialAXTree", backendNodeId=node,
                         fetchRelatives=False)["nodes"]
        return tree[0].get("name", {}).get("value")

    def fonts(self, node):
        """The faces the element's text is drawn with."""
        self.call("CSS.enable")
        self.call("DOM.getDocument", depth=0)
        ids = self.call("DOM.pushNodesByBackendIdsToFrontend",
                        backendNodeIds=[node])["nodeIds"]
        return {f["familyName"] for f in self.call(
            "CSS.getPlatformFontsForNode", nodeId=ids[0])["fonts"]}

    def rect(self, node):
        return self.on(node, "function() { const r = "
                       "this.getBoundingClientRect(); "
                       "return [r.left, r.top, r.width, r.height]; }")

    def focused(self, node):
        return self.on(node, "function() { return this === "
                       "document.activeElement; }")

    def _point(self, target):
        if isinstance(target, int):
            x, y, w, h = self.rect(target)
            return x + w / 2, y + h / 2
        return target

    def click(self, target):
        x, y = self._point(target)
        self.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y,
                      button="left", clickCount=1)

    def tap(self, target):
        x, y = self._point(target)
        self.call("Input.dispatchTouchEvent", type="touchStart",
                  touchPoints=[{"x": x, "y": y}])
        self.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def key(self, *keys):  # ("Shift", "Tab"): Tab with Shift held
        key, modifiers = keys[-1], 8 if "Shift" in keys else 0
        name = {" ": "Space"}.get(key, key)
        text = {"Enter": "\r", " ": " "}.get(key)
        for kind in ("keyDown", "keyUp"):
            typed = {"text": text} if text and kind == "keyDown" else {}
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=name,
                      windowsVirtualKeyCode=KEYS[key], modifiers=modifiers,
                      **typed)

    def make_file(self, name, size, bytes_at):
        runs = [[at, list(run[:size - at])] for at, run in bytes_at.items()
                if at < size]
        self.js(f"__makeFile({json.dumps(name)}, {size}, {json.dumps(runs)})")

    def read_file(self, name):
        return base64.b64decode(self.js(f"__readFile({json.dumps(name)})"))

    def screenshot(self, path, clip=None):
        params = {"format": "png"}
        if clip:
            params["clip"] = {**clip, "scale": 1}
            params["captureBeyondViewport"] = False
        data = self.call("Page.captureScreenshot", **params)["data"]
        Path(path).write_bytes(base64.b64decode(data))

    def close(self):
        self.b.call("Target.closeTarget", targetId=self.target)


