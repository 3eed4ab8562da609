// Loaded by the test server before the page's own script. Its settings come
// from the address's fragment, which a reload keeps:
// #mode=picker|download&device=desktop|android|iphone|ipad|iphone-safari|mac.
// window.__test keeps what the page did (the file input it opened, the
// copies it downloaded or shared, the bytes it read, the permissions it
// asked) and what the test wants to happen (a failing write, a share's answer).
(() => {
  const settings = Object.fromEntries(new URLSearchParams(location.hash.slice(1)));
  const device = settings.device || "desktop";
  const test = window.__test = {
    inputClicks: 0, copies: [], blobs: new Map(), bytesRead: 0,
    pick: null, permission: "granted", permissionCalls: [], fail: {},
    written: 0, aborted: 0, boxAtClose: null,
    share: "success",  // or "abort", "reject" (fails), "none" (canShare false)
  };

  // A download is kept, never saved; its blob is found by its URL.
  const createObjectURL = URL.createObjectURL;
  URL.createObjectURL = object => {
    const url = createObjectURL.call(URL, object);
    test.blobs.set(url, object);
    return url;
  };
  addEventListener("click", event => {
    const link = event.target instanceof Element && event.target.closest("a[download]");
    if (!link) return;
    event.preventDefault();
    const blob = test.blobs.get(link.href);
    test.copies.push({ how: "download", name: link.download, type: blob && blob.type, blob });
  }, true);

  // The file input is kept for the test to set its files, instead of a dialog.
  const click = HTMLInputElement.prototype.click;
  HTMLInputElement.prototype.click = function () {
    if (this.type !== "file") return click.call(this);
    test.fileInput = this;
    test.accept = this.getAttribute("accept") || "";
    test.inputClicks++;
  };

  // The bytes the page reads; a blob read back as base64.
  const arrayBuffer = Blob.prototype.arrayBuffer;
  Blob.prototype.arrayBuffer = function () {
    test.bytesRead += this.size;
    return arrayBuffer.call(this);
  };
  test.read = (blob, start = 0, end = blob.size) => new Promise(resolve => {
    const reader = new FileReader();
    reader.onload = () => resolve(reader.result.split(",")[1]);
    reader.readAsDataURL(blob.slice(start, end));
  });

  // An Apple device: an iPhone, or an iPad or Mac (whose Safari says Mac).
  const define = (name, value) =>
    Object.defineProperty(Navigator.prototype, name, { configurable: true, get: () => value });
  if (device !== "desktop" && device !== "android") {
    define("userAgent", device.startsWith("iphone")
      ? "Mozilla/5.0 (iPhone; CPU iPhone OS 17_5 like Mac OS X) AppleWebKit/605.1.15 " +
        "(KHTML, like Gecko) Version/17.5 Mobile/15E148 Safari/604.1"
      : "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 " +
        "(KHTML, like Gecko) Version/17.5 Safari/605.1.15");
    define("maxTouchPoints", device === "mac" ? 0 : 5);
  }
  if (device === "iphone" || device === "ipad") {  // home-screen apps
    define("standalone", true);
    Navigator.prototype.canShare = data => test.share !== "none" && Array.isArray(data.files);
    Navigator.prototype.share = async data => {
      // As the platforms do: a share only within the user's action.
      if (navigator.userActivation && !navigator.userActivation.isActive) {
        throw new DOMException("Must be handling a user gesture", "NotAllowedError");
      }
      for (const file of data.files) {
        test.copies.push({ how: "share", name: file.name, type: file.type, blob: file });
      }
      if (test.share === "abort") throw new DOMException("Share canceled", "AbortError");
      if (test.share !== "success") throw new DOMException("", "NotAllowedError");
    };
  }

  // In download mode, no picker; in picker mode, a picker over the origin's
  // private files, with the permissions' answer and failures the test sets.
  delete window.showOpenFilePicker;
  delete Window.prototype.showOpenFilePicker;
  if (settings.mode !== "picker") return;
  const privateFile = async (name, create) =>
    (await navigator.storage.getDirectory()).getFileHandle(name, { create });
  window.showOpenFilePicker = async () => {
    if (!test.pick) throw new DOMException("The user aborted a request.", "AbortError");
    return [await privateFile(test.pick)];
  };
  test.makeFile = async (name, base64) => {
    const writable = await (await privateFile(name, true)).createWritable();
    await writable.write(Uint8Array.from(atob(base64), c => c.charCodeAt(0)));
    await writable.close();
  };
  test.readFile = async name => test.read(await (await privateFile(name)).getFile());
  const handle = FileSystemHandle.prototype;
  handle.queryPermission = async descriptor => {
    test.permissionCalls.push(["query", descriptor.mode]);
    return test.permission === "granted" ? "granted" : "prompt";
  };
  handle.requestPermission = async descriptor => {
    test.permissionCalls.push(["request", descriptor.mode]);
    return test.permission;
  };

  // test.fail.write (or .close) = [error name, calls that succeed first].
  // A close takes 300 ms; test.boxAtClose: whether a box was open by its end.
  const stream = FileSystemWritableFileStream.prototype;
  for (const name of ["write", "close", "abort"]) {
    const original = stream[name];
    stream[name] = async function (...args) {
      const fail = test.fail[name];
      if (fail && fail[1]-- <= 0) throw new DOMException("", fail[0]);
      if (name === "write") test.written += args[0].data ? args[0].data.length : 0;
      if (name === "abort") test.aborted++;
      if (name === "close") await new Promise(resolve => setTimeout(resolve, 300));
      const result = await original.apply(this, args);
      if (name === "close") test.boxAtClose = !!document.querySelector("dialog[open]");
      return result;
    };
  }
})();
