// The page side of the browser's Form1 (form1.cpp), linked with
// --js-library. The page holds the window, its message box and its ended
// notice (the last two as <template>s) from the start: form1_page.cpp made
// them, with every word, when the site was built. This library wires them,
// shows them and runs the file picker; the files picked go to the engine's
// RomFiles (rom/file_web.js), and a converted copy comes back from there to
// be saved. A function whose name begins qorvane_async_ waits on the
// browser's promises under Asyncify.

mergeInto(LibraryManager.library, {
  $Form1Page: {
    control: function(id) {
      return document.querySelector('[data-control="' + id + '"]');
    },

    // A fresh copy of the template `id`'s element.
    fromTemplate: function(id) {
      return document.getElementById(id).content.firstElementChild
          .cloneNode(true);
    },

    // The platform's picker rule: what the file input accepts, given the
    // tool's extension. Where the system's picker filters by type, it greys
    // out every file of a type it does not know, ".gba" among them, so
    // there it accepts every file and the edition check refuses a wrong
    // one: on Android, iOS and iPadOS, whose Safari reports itself as a
    // Mac and is told apart by its touch points.
    pickerAccepts: function(extension) {
      const agent = navigator.userAgent;
      const filtersByType = /Android|iPhone|iPad|iPod/.test(agent) ||
          (/Macintosh/.test(agent) && navigator.maxTouchPoints > 1);
      return filtersByType ? "" : extension;
    },

    // Saves the converted copy {name, blob} and says in `ended` how it
    // went. An iPhone or iPad home-screen app (standalone, with touch: a
    // Mac's web app has downloads) has no download manager: the copy goes
    // to the share sheet (then 存储到文件). Everywhere else it is
    // downloaded. The blob is kept: the user can save it again.
    saveCopy: async function(ended, copy) {
      const again = ended.querySelector("[data-action=save]");
      let outcome;
      again.disabled = true;  // one save at a time
      try {
        outcome = await Form1Page.handOver(copy);
      } catch (error) {
        console.error("The converted copy was not saved:", error);
        outcome = "unsaved";
      } finally {
        again.disabled = false;
      }
      for (const line of ended.querySelectorAll("[data-copy]")) {
        line.hidden = line.dataset.copy !== outcome;
      }
      const saved = outcome === "downloaded" || outcome === "shared";
      (saved ? ended.querySelector("[data-action=again]") : again).focus();
    },

    // Shares or downloads the copy: what became of it ("shared",
    // "dismissed", "failed" to share, "downloaded").
    handOver: async function(copy) {
      if (navigator.standalone === true && navigator.maxTouchPoints > 1) {
        const file = new File([copy.blob], copy.name,
                              {type: "application/octet-stream"});
        if (!navigator.canShare || !navigator.canShare({files: [file]})) {
          return "failed";
        }
        try {
          await navigator.share({files: [file]});
          return "shared";
        } catch (error) {
          return error.name === "AbortError" ? "dismissed" : "failed";
        }
      }
      // A browser may fetch the copy only once the user agrees to the
      // download: its address lasts until the next save.
      if (copy.url) URL.revokeObjectURL(copy.url);
      copy.url = URL.createObjectURL(copy.blob);
      const link = document.createElement("a");
      link.href = copy.url;
      link.download = copy.name;
      link.hidden = true;
      document.body.append(link);
      link.click();
      link.remove();
      return "downloaded";
    },
  },

  // Wires the window: one listener takes every click on a control
  // (`data-control` names it) and runs its action. While an action runs
  // (the body's class `busy`), one guard keeps every click, the keyboard's
  // too, from the window; message boxes and the page's own elements take
  // theirs. Until now the page is busy: the style sheet lets no click
  // reach the window.
  qorvane_window_wire__deps: ['qorvane_window_end'],
  qorvane_window_wire: function() {
    const page = document.body.classList;
    const form = document.getElementById("Form1");
    document.addEventListener("click", event => {
      if (page.contains("busy") && form.contains(event.target)) {
        event.preventDefault();
        event.stopImmediatePropagation();
      }
    }, true);
    form.addEventListener("click", async event => {
      const control = event.target.closest("[data-control]");
      if (!control) return;
      page.add("busy");
      try {
        await ccall("qorvane_click", null, ["number"],
                    [Number(control.dataset.control)], {async: true});
      } catch (error) {  // the program itself failed: it cannot go on
        console.error("The tool failed:", error);
        _qorvane_window_end();
      } finally {
        page.remove("busy");
      }
    });
    page.remove("busy");
  },

  // The text a control shows: a frame's caption, a text box's content.
  qorvane_window_set_text__deps: ['$Form1Page'],
  qorvane_window_set_text: function(id, text, size) {
    const element = Form1Page.control(id);
    const value = UTF8ToString(text, size);
    if (element.tagName === "INPUT") {
      element.value = value;
      element.setSelectionRange(0, 0);
    } else {
      element.querySelector("legend").textContent = value;
    }
  },

  qorvane_window_uncheck__deps: ['$Form1Page'],
  qorvane_window_uncheck: function(id) {
    Form1Page.control(id).checked = false;
  },

  qorvane_window_focus__deps: ['$Form1Page'],
  qorvane_window_focus: function(id) {
    Form1Page.control(id).focus();
  },

  // A modal message box: title, the text (lines separated by a carriage
  // return, each kept as given), an icon ("warning", "information",
  // "error") and the one button holding the focus. Returns when it is
  // dismissed.
  qorvane_async_window_box__deps: ['$Form1Page'],
  qorvane_async_window_box: function(text, text_size, title, title_size,
                                     icon) {
    return Asyncify.handleAsync(async () => {
      const box = Form1Page.fromTemplate("Form1-msgbox");
      box.querySelector(".titlebar-caption").textContent =
          UTF8ToString(title, title_size);
      box.querySelector(".msgbox-icon").classList.add(UTF8ToString(icon));
      box.querySelector(".msgbox-text").textContent =
          UTF8ToString(text, text_size).split("\r").join("\n");
      const button = box.querySelector("button");
      document.body.append(box);
      try {
        // Answered within the button's click, so that what follows (the
        // end, and sharing the converted copy) still counts as the user's
        // action; or by Esc, which closes the box.
        await new Promise(resolve => {
          button.addEventListener("click", resolve);
          box.addEventListener("close", resolve);
          box.showModal();
          button.focus();
        });
        box.close();
      } catch (error) {  // a browser without modal dialogs
        console.error("The message box could not be shown:", error);
        alert(box.querySelector(".titlebar-caption").textContent + "\n\n" +
              box.querySelector(".msgbox-text").textContent);
      }
      box.remove();
    });
  },

  // The file picker for the tool's one type: a FileSystemFileHandle where
  // the browser has showOpenFilePicker, else a File from the page's file
  // input. The pick goes to the engine's RomFiles, and `*path` gets the
  // name it is known by there (empty on cancel), to free. 0, or minus the
  // code of the failure.
  qorvane_async_window_pick__deps: ['$Form1Page', '$RomFiles',
                                    '$stringToNewUTF8'],
  qorvane_async_window_pick: function(description, description_size,
                                      extension, extension_size, path) {
    return Asyncify.handleAsync(async () => {
      try {
        const accept = UTF8ToString(extension, extension_size);
        let entry = null;
        if (window.showOpenFilePicker) {
          try {
            const [handle] = await window.showOpenFilePicker({
              types: [{
                description: UTF8ToString(description, description_size),
                accept: {"application/octet-stream": [accept]},
              }],
            });
            entry = {handle: handle};
          } catch (error) {
            if (error.name !== "AbortError") throw error;
          }
        } else {
          const input = document.getElementById("Form1-picker");
          input.value = "";
          input.accept = Form1Page.pickerAccepts(accept);
          const file = await new Promise(resolve => {
            const done = new AbortController();
            const answer = file => {
              done.abort();
              resolve(file);
            };
            input.addEventListener("change", () => answer(input.files[0]),
                                   {signal: done.signal});
            input.addEventListener("cancel", () => answer(null),
                                   {signal: done.signal});
            input.click();
          });
          if (file) entry = {file: file};
        }
        const text = stringToNewUTF8(entry ? await RomFiles.add(entry) : "");
        if (!text) throw new RangeError("no memory for the name");
        HEAP32[path >> 2] = text;
        return 0;
      } catch (error) {
        return RomFiles.failure(error);
      }
    });
  },

  // The end: the window goes, and the ended notice takes its place. After
  // a conversion that made a copy (no handle to the file), the copy is
  // saved at once (the click on the last box's button lets the page share
  // it) and can be saved again.
  qorvane_window_end__deps: ['$Form1Page', '$RomFiles'],
  qorvane_window_end: function() {
    const ended = Form1Page.fromTemplate("Form1-ended");
    ended.querySelector("[data-action=again]")
        .addEventListener("click", () => location.reload());
    document.getElementById("desk").replaceChildren(ended);
    const copy = RomFiles.converted;
    if (!copy) {
      ended.querySelector("[data-action=again]").focus();
      return;
    }
    for (const name of ended.querySelectorAll(".copy-name")) {
      name.textContent = copy.name;
    }
    ended.querySelector(".copy").hidden = false;
    ended.querySelector("[data-action=save]")
        .addEventListener("click", () => Form1Page.saveCopy(ended, copy));
    Form1Page.saveCopy(ended, copy);
  },

  // The service worker (sw.js) keeps the site's files, so that after one
  // visit the page opens without a network. Without it (a browser that has
  // none, a page not served over HTTPS or from this computer) the page
  // works as long as the site can be reached.
  qorvane_window_keep_offline: function() {
    if (!("serviceWorker" in navigator)) return;
    // Once the page has loaded, so as not to hold up the window.
    const register = () => {
      navigator.serviceWorker.register("sw.js").catch(error => {
        console.warn("The site is not kept for offline use:", error);
      });
    };
    if (document.readyState === "complete") {
      setTimeout(register);
    } else {
      addEventListener("load", register);
    }
  },
});
