"""For the browser tests and the web benchmark: the test server, waiting,
and the browser engines' drivers (their shared Page is in drivers/common.py)."""

import base64
import hashlib
import http.server
import importlib
import os
import socket
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parents[1]
SITE = Path(os.environ.get("QORVANE_WEB_SITE", ROOT / "build/web/site"))
INSTRUMENTS = (HERE / "instruments.js").read_bytes()
ENGINES = {"chromium": "Chromium", "firefox": "Firefox", "webkit": "WebKit"}
WAIT = 30  # seconds for any one wait


class Server(http.server.ThreadingHTTPServer):
    """The site (`root`) on a free port of 127.0.0.1, with `script` loaded
    first in each of its pages."""

    daemon_threads = True

    def __init__(self, root=SITE, script=INSTRUMENTS):
        self.root, self.script = Path(root), script
        super().__init__(("127.0.0.1", 0), Handler)
        self.origin = f"http://127.0.0.1:{self.server_address[1]}"
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def stop(self):
        self.shutdown()
        self.server_close()

    def handle_error(self, request, client_address):  # a browser gone mid-answer
        pass


def served_page(file):
    """A page as the server gives it: the script first."""
    return file.read_bytes().replace(
        b"<head>", b'<head><script src="/__test__/instruments.js"></script>', 1)


def integrity(data):
    """A file's SHA-256 as a fetch's integrity names it."""
    return b"sha256-" + base64.b64encode(hashlib.sha256(data).digest())


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=str(args[2].root), **kwargs)

    def log_message(self, *args):
        pass

    def do_GET(self):
        file = Path(self.translate_path(self.path))
        file = file / "index.html" if file.is_dir() else file
        if self.path == "/__test__/instruments.js":
            return self.send(self.server.script, "text/javascript")
        if file.suffix == ".html" and file.is_file():
            return self.send(served_page(file), "text/html")
        if file.name == "sw.js" and file.is_file():  # which checks the page as served
            page = file.with_name("index.html")
            return self.send(file.read_bytes().replace(
                integrity(page.read_bytes()), integrity(served_page(page))), "text/javascript")
        return super().do_GET()

    def send(self, body, kind):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def end_headers(self):  # each test sees the site as served now
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()


def until(condition, timeout=WAIT, what="a condition"):
    """The condition's value once true; it may raise meanwhile."""
    end = time.time() + timeout
    while True:
        try:
            value = condition()
        except Exception:  # e.g. a page between two documents
            if time.time() > end:
                raise
            value = None
        if value:
            return value
        if time.time() > end:
            raise AssertionError(f"timed out waiting for {what}")
        time.sleep(0.05)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def open_browser(engine):
    """A started browser of `engine`; its page(url) opens a tab."""
    return getattr(importlib.import_module(f"drivers.{engine}"), ENGINES[engine])()
