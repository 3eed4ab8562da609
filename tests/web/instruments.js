// Loaded by the test server into the page before the page's own script, in
// every browser alike. Its settings come from the address's fragment, which
// a reload keeps: #mode=picker|download&device=NAME, NAME one of desktop,
// android (with the driver's emulation), iphone, ipad, iphone-safari, mac.
//
// window.__test holds what the page did: the file input it opened (instead
// of a system dialog), the files it downloaded or shared (instead of saving
// them), the picker's and the permissions' calls; and what the test wants
// to happen: a failing write or close, a permission's answer, a share's
// result.
(() => {
  const settings = Object.fromEntries(new URLSearchParams(location.hash.slice(1)));
  const test = window.__test = {
    mode: settings.mode || "download",
    device: settings.device || "desktop",
    fileInput: null, accept: null, inputClicks: 0,
    downloads: [], shares: [], blobs: new Map(),
    pickerCalls: [], pick: null,
    permission: "granted", permissionCalls: [],
    fail: {}, written: 0, aborted: 0,
    share: "success",  // or "abort", "reject" (fails), "none" (canShare false)
  };

  // Blobs by their URL, so that a download's bytes can be read back.
  const createObjectURL = URL.createObjectURL;
  URL.createObjectURL = function (object) {
    const url = createObjectURL.call(URL, object);
    if (object instanceof Blob) test.blobs.set(url, object);
    return url;
  };

  // A download: kept, never saved.
  addEventListener("click", event => {
    const link = event.target instanceof Element && event.target.closest("a[download]");
    if (!link) return;
    event.preventDefault();
    const blob = test.blobs.get(link.href);
    test.downloads.push({ name: link.download, type: blob ? blob.type : null, blob,
                          href: link.href });
  }, true);

  // The file input: kept for the test to set its files or cancel it.
  const click = HTMLInputElement.prototype.click;
  HTMLInputElement.prototype.click = function () {
    if (this.type !== "file") return click.call(this);
    test.fileInput = this;
    test.accept = this.getAttribute("accept") || "";
    test.inputClicks++;
  };
  test.cancelInput = () => test.fileInput.dispatchEvent(new Event("cancel"));

  // Reading back a blob (a download, a shared file): base64 of a slice.
  test.read = async (blob, start = 0, end = blob.size) => {
    const bytes = new Uint8Array(await arrayBuffer.call(blob.slice(start, end)));
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  };

  // The bytes the page reads from files.
  test.bytesRead = 0;
  const arrayBuffer = Blob.prototype.arrayBuffer;
  Blob.prototype.arrayBuffer = function () {
    test.bytesRead += this.size;
    return arrayBuffer.call(this);
  };

  // The device.
  const define = (object, name, value) =>
    Object.defineProperty(object, name, { configurable: true, get: () => value });
  // iphone, ipad: home-screen apps (standalone) with a share sheet;
  // iphone-safari: a Safari tab; mac: a desktop Mac (no touch).
  const apple = {
    iphone: "Mozilla/5.0 (iPhone; CPU iPhone OS 17_5 like Mac OS X) AppleWebKit/605.1.15 " +
            "(KHTML, like Gecko) Version/17.5 Mobile/15E148 Safari/604.1",
    mac: "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 " +
         "(KHTML, like Gecko) Version/17.5 Safari/605.1.15",
  };
  const agent = test.device.startsWith("iphone") ? apple.iphone :
      ["ipad", "mac"].includes(test.device) ? apple.mac : null;
  if (agent) {
    define(Navigator.prototype, "userAgent", agent);
    define(Navigator.prototype, "platform", agent === apple.iphone ? "iPhone" : "MacIntel");
    define(Navigator.prototype, "vendor", "Apple Computer, Inc.");
    define(Navigator.prototype, "maxTouchPoints", test.device === "mac" ? 0 : 5);
  }
  if (test.device === "iphone" || test.device === "ipad") {
    define(Navigator.prototype, "standalone", true);
    Navigator.prototype.canShare = function (data) {
      return test.share !== "none" && !!data && Array.isArray(data.files);
    };
    Navigator.prototype.share = async function (data) {
      // As the platforms do: a share only within the user's action.
      if (navigator.userActivation && !navigator.userActivation.isActive) {
        throw new DOMException("Must be handling a user gesture", "NotAllowedError");
      }
      test.shares.push({ files: [...data.files].map(file => ({
        name: file.name, type: file.type, size: file.size, file })) });
      if (test.share === "abort") throw new DOMException("Share canceled", "AbortError");
      if (test.share !== "success") throw new DOMException("", "NotAllowedError");
    };
  }

  // Picking: in place through a fake picker over the origin's private
  // files, or (download mode) through the file input alone.
  delete window.showOpenFilePicker;
  delete Window.prototype.showOpenFilePicker;
  if (test.mode !== "picker") return;
  const privateFile = async (name, create) =>
    (await navigator.storage.getDirectory()).getFileHandle(name, { create });
  window.showOpenFilePicker = async options => {
    test.pickerCalls.push(JSON.parse(JSON.stringify(options || null)));
    if (!test.pick) throw new DOMException("The user aborted a request.", "AbortError");
    return [await privateFile(test.pick)];
  };
  test.makeFile = async (name, base64) => {
    const writable = await (await privateFile(name, true)).createWritable();
    await writable.write(Uint8Array.from(atob(base64), c => c.charCodeAt(0)));
    await writable.close();
  };
  test.readFile = async name => test.read(await (await privateFile(name)).getFile());

  // Permissions: the answer is test.permission ("granted", "denied").
  const proto = FileSystemHandle.prototype;
  proto.queryPermission = async function (descriptor) {
    test.permissionCalls.push(["query", descriptor && descriptor.mode]);
    return test.permission === "granted" ? "granted" : "prompt";
  };
  proto.requestPermission = async function (descriptor) {
    test.permissionCalls.push(["request", descriptor && descriptor.mode]);
    return test.permission;
  };

  // The writable stream: test.fail.write (or .close) = [error name, calls
  // that succeed first]; test.slowClose: ms a close takes; test.boxAtClose:
  // whether a message box was open while the file was committed.
  const stream = FileSystemWritableFileStream.prototype;
  test.slowClose = 0;
  test.boxAtClose = [];
  for (const name of ["write", "close", "abort"]) {
    const original = stream[name];
    stream[name] = async function (...args) {
      const fail = test.fail[name];
      if (fail && fail[1]-- <= 0) throw new DOMException("", fail[0]);
      if (name === "write") test.written += args[0] && args[0].data ? args[0].data.length : 0;
      if (name === "abort") test.aborted++;
      if (name !== "close") return original.apply(this, args);
      const box = () => !!document.querySelector("dialog[open]");
      test.boxAtClose.push(box());
      await new Promise(resolve => setTimeout(resolve, test.slowClose));
      const result = await original.apply(this, args);
      test.boxAtClose.push(box());
      return result;
    };
  }
})();
