"""For the browser tests and web benchmarks: the headers' tables, ROM images, server, Chromium."""

import atexit, base64, functools, http.server, json, os, re, shutil, subprocess, tempfile
import threading, time
from pathlib import Path

import websocket

ROOT = Path(__file__).resolve().parents[2]
SITE = Path(os.environ.get("QORVANE_WEB_SITE", ROOT / "build/web/site"))
_texts, _layout, _table, _outcome, _words = ((ROOT / f).read_text(encoding="utf-8") for f in (
    "switcher/switcher_texts.h", "window/shared/form1_layout.h", "rom/edition_table.h",
    "rom/rom_error.h", "rom/rom_error.cpp"))
_STRINGS = r'((?:"(?:[^"\\]|\\.)*"\s*)+)'
TEXTS = {name: "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', value)).replace("\\r", "\r")
         for name, value in re.findall(rf"std::string_view (k\w+) =\s*{_STRINGS};", _texts)}
# Form1's controls: name -> kind, box (twips), tab index.
CONTROLS = {m[0]: (m[1], [int(v) for v in m[2:6]], int(m[6])) for m in re.findall(
    r'\{\w+,\s*"(\w+)",\s*Kind::(\w+),\s*\w+,\s*(?:texts::\w+|""),\s*'
    r'\{(\d+), (\d+), (\d+), (\d+)\},\s*(\d+)\}', _layout)}
# What became of the file, as a report's last words: FileOutcome's name -> text.
_enum, _list = (re.search(rf"{n}\s*\{{(.*?)\}}", f, re.S)[1] for n, f in (
    ("enum class FileOutcome", _outcome), ("kOutcomes", _words)))
OUTCOMES = dict(zip(re.findall(r"^\s*(\w+),", _enum, re.M), re.findall(r'"([^"]*)"', _list)))
CLIENT = [int(re.search(rf"{n} = (\d+);", _layout)[1]) for n in ("kClientWidth", "kClientHeight")]
SIGNATURE_OFFSET, MIN_CONVERTIBLE = (int(re.search(rf"{n} = (0x\w+);", _table)[1], 16)
                                     for n in ("SignatureOffset", "kMinConvertibleSize"))
SIGNATURES = {name: bytes(int(b, 16) for b in re.findall(r"0x\w+", body))
              for name, body in re.findall(r"k(\w+)Signature\{([^}]*)\}", _table)}


def px(twips):  # TwipsToPixels at 96 DPI
    return (twips * 96 + 720) // 1440


def image(size, edition):  # zeros, and the five runs of `edition` or its signature alone
    data = bytearray(max(size, MIN_CONVERTIBLE))
    for at, a, b in re.findall(r"\{(0x\w+), \{(0x\w+), (0x\w+)\}\}", _table):
        if edition in ("Simplified", "Traditional"):
            data[int(at, 16):int(at, 16) + 7] = SIGNATURES[edition] + bytes(
                [8, int(a, 16), int(b, 16), 0])
    if edition == "NotEnhanced":
        data[SIGNATURE_OFFSET:SIGNATURE_OFFSET + 3] = SIGNATURES[edition]
    return bytes(data[:size])


class Server(http.server.ThreadingHTTPServer):
    """`root` (the site) on a free port of 127.0.0.1."""

    def __init__(self, root=SITE):
        handler = http.server.SimpleHTTPRequestHandler
        handler.log_message = lambda *args: None
        super().__init__(("127.0.0.1", 0), functools.partial(handler, directory=str(root)))
        self.origin = f"http://127.0.0.1:{self.server_address[1]}"
        threading.Thread(target=self.serve_forever, daemon=True).start()

    handle_error = lambda *args: None  # a browser gone mid-answer


class Browser:
    """Chromium with a fresh profile (or `profile`); keeps its pages' requests and events."""

    def __init__(self, profile=None):
        self.profile, self.owned = profile or tempfile.mkdtemp(), profile is None
        port_file = Path(self.profile, "DevToolsActivePort")
        port_file.unlink(missing_ok=True)
        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--remote-debugging-port=0", f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        atexit.register(self.close)  # even when a test or benchmark crashes
        while len(port_file.exists() and port_file.read_text().split() or ()) != 2:
            time.sleep(0.05)
        port, path = port_file.read_text().split()
        self.ws = websocket.create_connection(f"ws://127.0.0.1:{port}{path}")
        self.id, self.events, self.requests = 0, [], []

    def _receive(self, timeout):
        self.ws.settimeout(max(0.01, timeout))
        message = json.loads(self.ws.recv())
        if message.get("method") == "Network.requestWillBeSent":
            self.requests.append(message["params"]["request"])
        return message

    def call(self, method, session=None, **params):
        self.id += 1
        self.ws.send(json.dumps({"id": self.id, "method": method, "params": params,
                                 **({"sessionId": session} if session else {})}))
        while (reply := self._receive(120)).get("id") != self.id:
            self.events.append(reply)
        assert "error" not in reply, f"{method}: {reply.get('error')}"
        return reply["result"]

    def wait_event(self, method, timeout=10):  # the next `method` event; those before it go
        end = time.time() + timeout
        while (event := self.events.pop(0) if self.events else self._receive(
                end - time.time()))["method"] != method:
            pass
        return event["params"]

    def close(self):
        self.proc.terminate()  # Chromium ends as when its window is closed
        self.proc.wait()
        self.owned and shutil.rmtree(self.profile, ignore_errors=True)


# In every page before its scripts: bytes read and written, aborts; fail.write (.close) = [a
# DOMException, calls that succeed first]; a slow close; the picker answering __pick.
INSTRUMENTS = r"""(() => {
  const io = window.__io = {read: 0, written: 0, aborted: 0, fail: {}};
  const W = FileSystemWritableFileStream.prototype, wrap = (proto, name, before) => {
    const f = proto[name];
    proto[name] = async function (...a) {
      const fail = io.fail[name];
      if (fail && fail[1]-- <= 0) throw new DOMException('', fail[0]);
      return await before.call(this, a), f.apply(this, a);
    };
  };
  wrap(Blob.prototype, 'arrayBuffer', function () { io.read += this.size; });
  wrap(W, 'write', a => io.written += a[0].data?.length);
  wrap(W, 'abort', () => io.aborted++);
  wrap(W, 'close', async () => { for (let t = 0; t < io.slowClose; t += 10) await new Promise(
      go => setTimeout(go, 10)), io.boxBeforeClose ||= !!document.querySelector('dialog'); });
  const file = async (name, create) =>
    (await navigator.storage.getDirectory()).getFileHandle(name, {create});
  window.__makeFile = async (name, data, w) => (w = await (await file(name, true))
      .createWritable(), await w.write(Uint8Array.from(atob(data), c => c.charCodeAt(0))),
      await w.close());
  window.__readFile = async name => btoa(Array.from(new Uint8Array(await (await (
      await file(name)).getFile()).arrayBuffer()), b => String.fromCharCode(b)).join(''));
  delete window.showOpenFilePicker, delete Window.prototype.showOpenFilePicker;
  if (window.__mode === 'picker') window.showOpenFilePicker = async () => window.__pick ?
      [await file(__pick)] : Promise.reject(new DOMException('', 'AbortError'));
})();"""


class Page:
    """A tab in the in-place ("picker") or download mode; `target`: Target.createTarget's."""

    def __init__(self, browser, mode="picker", width=800, height=600, mobile=False, scale=1,
                 **target):
        self.b, self.mode = browser, mode
        self.target = browser.call("Target.createTarget", url="about:blank", **target)["targetId"]
        self.s = browser.call("Target.attachToTarget", targetId=self.target,
                              flatten=True)["sessionId"]
        self.call("Page.enable"), self.call("Network.enable")
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=scale, mobile=mobile)
        self.call("Emulation.setTouchEmulationEnabled", enabled=mobile)
        self.call("Page.setInterceptFileChooserDialog", enabled=mode == "download")
        self.call("Page.addScriptToEvaluateOnNewDocument",
                  source=f"window.__mode = {mode!r};" + INSTRUMENTS)

    def call(self, method, **params):
        return self.b.call(method, self.s, **params)

    def goto(self, url=None):  # None: reload
        self.call("Page.navigate", url=url) if url else self.call("Page.reload")
        time.sleep(0.1)
        self.wait("document.readyState === 'complete'")

    def js(self, expression):
        reply = self.call("Runtime.evaluate", expression=expression, awaitPromise=True,
                          returnByValue=True)
        assert "exceptionDetails" not in reply, f"{expression[:60]}: {reply}"
        return reply["result"].get("value")

    def wait(self, expression, timeout=10):  # its value once true; it may throw meanwhile
        def value():
            try:
                return self.js(expression)
            except AssertionError:
                return None
        return until(value, timeout)

    def find(self, role, name=None):  # the elements of `role` and accessible name
        root = self.call("DOM.getDocument", depth=0)["root"]["nodeId"]
        return [n["backendDOMNodeId"] for n in self.call(
            "Accessibility.queryAXTree", nodeId=root, role=role,
            **({"accessibleName": name} if name else {}))["nodes"] if not n.get("ignored")]

    def on(self, node, function):  # `function` (JS) on the node, or the element of that id
        if isinstance(node, str):
            return self.js(f"({function}).call(document.getElementById({node!r}))")
        obj = self.call("DOM.resolveNode", backendNodeId=node)["object"]
        return self.call("Runtime.callFunctionOn", functionDeclaration=function,
                         objectId=obj["objectId"], returnByValue=True)["result"].get("value")

    def click(self, node, touch=False):  # node: as for on(); or a role and a name
        node = node if isinstance(node, (int, str)) else until(lambda: self.find(*node))[0]
        x, y, w, h = self.on(node, "function() { const r = this.getBoundingClientRect(); "
                                   "return [r.left, r.top, r.width, r.height]; }")
        at = {"x": x + w / 2, "y": y + h / 2}
        if touch:
            self.call("Input.dispatchTouchEvent", type="touchStart", touchPoints=[at])
            return self.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, button="left", clickCount=1, **at)

    def tab(self, shift=False):
        for kind in ("rawKeyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key="Tab", code="Tab",
                      windowsVirtualKeyCode=9, modifiers=8 * shift)

    def make_file(self, name, data):  # in the origin's private file system
        self.js(f"__makeFile({name!r}, '{base64.b64encode(data).decode()}')")

    def read_file(self, name):
        return base64.b64decode(self.js(f"__readFile({name!r})"))

    def close(self):
        self.b.call("Target.closeTarget", targetId=self.target)


def until(condition, timeout=10):  # the condition's value once true, within `timeout` s
    end = time.time() + timeout
    while not (value := condition()):
        assert time.time() < end, "timed out"
        time.sleep(0.05)
    return value
