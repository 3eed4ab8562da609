#include "window/web/form1.h"

#include <emscripten.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "rom/web_error.h"
#include "switcher/switcher_texts.h"
#include "text/text.h"
#include "window/shared/error_boundary.h"

namespace qorvane {
namespace {

using form1::Id;
using form1::Kind;

// Text crosses to the page as a pointer and a length in bytes of UTF-8.
struct Text {
  const char* data;
  int size;
};
Text Pass(std::string_view text) {
  return {text.data(), static_cast<int>(text.size())};
}

// The page-side halves, in JavaScript (clang-format would break it).
// clang-format off

// The window is in the page already (form1_page.cpp made it from the layout
// table); this wires it. `data-control` names the control a click is for;
// one listener takes every click, and while an action runs (the body's
// class `busy`) it lets none through but those inside a message box. Until
// now the page is busy: the style sheet lets no click reach the window.
EM_JS(void, WireWindow, (), {
  const page = document.body.classList;
  // The user's clicks only: the page's own (the file input, the download
  // link) must do what they do.
  document.addEventListener("click", event => {
    if (page.contains("busy") && event.isTrusted &&
        !event.target.closest("dialog")) {
      event.preventDefault();
      event.stopImmediatePropagation();
    }
  }, true);
  document.getElementById("Form1").addEventListener("click", async event => {
    const control = event.target.closest("[data-control]");
    if (!control || page.contains("busy")) return;
    page.add("busy");
    try {
      await Module.ccall("qorvane_click", null, ["number"],
                         [Number(control.dataset.control)], { async: true });
    } finally {
      page.remove("busy");
    }
  });
  page.remove("busy");
});

// The text a control shows: a frame's caption, a text box's content.
EM_JS(void, SetControlText, (int id, const char* text, int size), {
  const element = document.querySelector('[data-control="' + id + '"]');
  const value = UTF8ToString(text, size);
  if (element.tagName === "INPUT") {
    element.value = value;
    element.setSelectionRange(0, 0);
  } else {
    element.querySelector("legend").textContent = value;
  }
});

EM_JS(void, UncheckOption, (int id), {
  document.querySelector('[data-control="' + id + '"]').checked = false;
});

EM_JS(void, FocusControl, (int id), {
  document.querySelector('[data-control="' + id + '"]').focus();
});

// A modal message box: title, the text line by line as given (leading
// spaces kept), an icon ("warning", "information", "error") and one button
// holding the focus. Returns when it is dismissed.
EM_ASYNC_JS(void, ShowBox, (const char* text, int text_size, const char* title,
                            int title_size, const char* icon, const char* ok,
                            int ok_size), {
  const box = document.createElement("dialog");
  box.className = "msgbox";
  box.setAttribute("role", "alertdialog");
  box.setAttribute("aria-labelledby", "msgbox-title");
  box.setAttribute("aria-describedby", "msgbox-text");
  const bar = document.createElement("div");
  bar.className = "titlebar";
  const caption = document.createElement("span");
  caption.className = "titlebar-caption";
  caption.id = "msgbox-title";
  caption.textContent = UTF8ToString(title, title_size);
  bar.append(caption);
  const body = document.createElement("div");
  body.className = "msgbox-body";
  const picture = document.createElement("span");
  picture.className = "msgbox-icon " + UTF8ToString(icon);
  picture.setAttribute("aria-hidden", "true");
  const words = document.createElement("div");
  words.className = "msgbox-text";
  words.id = "msgbox-text";
  // Lines are separated by a carriage return.
  words.textContent = UTF8ToString(text, text_size)
                          .split(String.fromCharCode(13)).join("\n");
  body.append(picture, words);
  const button = document.createElement("button");
  button.type = "button";
  button.textContent = UTF8ToString(ok, ok_size);
  button.addEventListener("click", () => box.close());
  const row = document.createElement("div");
  row.className = "msgbox-buttons";
  row.append(button);
  box.append(bar, body, row);
  document.body.append(box);
  await new Promise(resolve => {
    box.addEventListener("close", resolve);
    box.showModal();
    button.focus();
  });
  box.remove();
});

// The file picker for one type: a FileSystemFileHandle with read-write
// access asked for where the browser has showOpenFilePicker, else a File
// from <input type=file>. The pick goes into the engine's Module.romFiles
// under a path of its name (another file of the same name gets a folder of
// its own, 2/, 3/, ...). Returns that path to free, empty on cancel, or
// null on a failure (Module.romError has why).
EM_ASYNC_JS(char*, PickFile, (const char* description, int description_size,
                              const char* extension, int extension_size), {
  try {
    const accept = UTF8ToString(extension, extension_size);
    let entry = null;
    if (window.showOpenFilePicker) {
      try {
        const [handle] = await window.showOpenFilePicker({
          types: [{
            description: UTF8ToString(description, description_size),
            accept: { "application/octet-stream": [accept] },
          }],
        });
        entry = { handle: handle };
      } catch (error) {
        if (error.name !== "AbortError") throw error;
      }
      if (entry && entry.handle.requestPermission) {
        // If denied, it is asked again before the file is written.
        await entry.handle.requestPermission({ mode: "readwrite" })
            .catch(() => {});
      }
    } else {
      const input = document.createElement("input");
      input.type = "file";
      input.accept = accept;
      input.hidden = true;
      document.body.append(input);
      const file = await new Promise(resolve => {
        input.addEventListener("change", () => resolve(input.files[0]));
        input.addEventListener("cancel", () => resolve(null));
        input.click();
      });
      input.remove();
      if (file) entry = { file: file };
    }
    let path = "";
    if (entry) {
      const files = Module.romFiles = Module.romFiles || new Map();
      const same = async (a, b) => a.handle && b.handle
          ? a.handle.isSameEntry(b.handle)
          : Boolean(a.file && b.file && a.file.size === b.file.size &&
                    a.file.lastModified === b.file.lastModified);
      const name = (entry.handle || entry.file).name;
      path = name;
      for (let n = 2;
           files.has(path) && !(await same(files.get(path), entry)); ++n) {
        path = n + "/" + name;
      }
      files.set(path, entry);
    }
    const result = allocateUTF8(path);
    if (!result) throw new RangeError("no memory for the path");
    return result;
  } catch (error) {
    Module.romError = error;
    return 0;
  }
});

// The end: the window goes, and a notice with a button to start again
// takes its place.
EM_JS(void, EndPage, (const char* notice, int notice_size, const char* again,
                      int again_size), {
  const ended = document.createElement("section");
  ended.className = "ended";
  ended.setAttribute("role", "status");
  const words = document.createElement("p");
  words.textContent = UTF8ToString(notice, notice_size);
  const button = document.createElement("button");
  button.type = "button";
  button.textContent = UTF8ToString(again, again_size);
  button.addEventListener("click", () => location.reload());
  ended.append(words, button);
  document.getElementById("desk").replaceChildren(ended);
  button.focus();
});

// clang-format on

// A message box with the one 确定 button; `icon` as ShowBox takes it.
void Show(std::string_view text, std::string_view title, const char* icon) {
  const Text words = Pass(text);
  const Text caption = Pass(title);
  const Text ok = Pass(texts::kOkButton);
  ShowBox(words.data, words.size, caption.data, caption.size, icon, ok.data,
          ok.size);
}

Form1* the_form = nullptr;

}  // namespace

void Form1::Load() {
  the_form = this;
  WireWindow();
  // An option the keyboard checked before the wiring is undone: Start
  // begins with none.
  for (const form1::Control& control : form1::kControls) {
    if (control.kind == Kind::OptionButton) {
      UncheckOption(static_cast<int>(control.id));
    }
  }
  Guard(form1::kLoad);
  if (!ended_) FocusControl(static_cast<int>(form1::kTabOrder[0]));
}

void Form1::Click(Id control) {
  if (ended_) return;
  if (control == form1::kCloseBox) {
    End();
    return;
  }
  // Option buttons in one container exclude each other. The page's radios
  // have no common name, so that each keeps its own tab stop as on the
  // desktop.
  if (form1::kControls[control].kind == Kind::OptionButton) {
    for (const form1::Control& other : form1::kControls) {
      if (other.kind == Kind::OptionButton && other.id != control &&
          other.container == form1::kControls[control].container) {
        UncheckOption(static_cast<int>(other.id));
      }
    }
  }
  if (const auto action = form1::ActionFor(control)) Guard(action);
}

void Form1::Guard(form1::Action action) {
  const auto report = [](std::string_view text, std::string_view title) {
    Show(text, title, "error");
  };
  if (!Guarded([&] { action(controller_); }, report)) End();
}

void Form1::End() {
  ended_ = true;
  const Text notice = Pass(texts::kEndedNotice);
  const Text again = Pass(texts::kStartAgainButton);
  EndPage(notice.data, notice.size, again.data, again.size);
}

void Form1::ShowMessage(std::string_view text, std::string_view title,
                        MessageKind kind) {
  Show(text, title, kind == MessageKind::Warning ? "warning" : "information");
}

void Form1::SetStatus(std::string_view text) {
  const Text words = Pass(text);
  SetControlText(static_cast<int>(form1::Frame1), words.data, words.size);
}

void Form1::SetPathText(std::string_view text) {
  const Text words = Pass(text);
  SetControlText(static_cast<int>(form1::Text1), words.data, words.size);
}

// The browser's picker shows its own title; `title` has no place in it.
std::filesystem::path Form1::AskOpenFile(std::string_view /*title*/,
                                         const texts::FileFilter& parts) {
  // The description without its pattern, and the pattern's extension.
  std::string_view extension = parts.pattern;
  if (extension.starts_with('*')) extension.remove_prefix(1);
  const Text description = Pass(parts.name);
  const Text type = Pass(extension);
  char* picked =
      PickFile(description.data, description.size, type.data, type.size);
  if (picked == nullptr) {
    throw std::runtime_error(std::string(texts::kPickerFailed) + "：" +
                             LastBrowserError().message());
  }
  std::filesystem::path path = Utf8ToPath(picked);
  std::free(picked);
  return path;
}

void Form1::QuitTool() { End(); }

}  // namespace qorvane

// The page's click listener calls this for each click on a control.
extern "C" EMSCRIPTEN_KEEPALIVE void qorvane_click(int control) {
  if (qorvane::the_form != nullptr && control >= 0 &&
      control <= static_cast<int>(qorvane::form1::kCloseBox)) {
    qorvane::the_form->Click(static_cast<qorvane::form1::Id>(control));
  }
}
