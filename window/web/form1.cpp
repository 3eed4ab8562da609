#include "window/web/form1.h"

#include <emscripten.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "rom/web_error.h"
#include "switcher/switcher_texts.h"

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

// The window's frame: a title bar with the icon, the caption and the close
// box, above the client area, centred in the page. `data-control` names
// the control a click is for; one listener takes every click, and while an
// action runs it lets none through but those inside a message box.
EM_JS(void, BuildFrame, (const char* title, int title_size, const char* close,
                         int close_size, int width, int height, int form), {
  const make = (tag, className) => {
    const element = document.createElement(tag);
    if (className) element.className = className;
    return element;
  };
  const window = make("div", "form1");
  window.id = "Form1";
  window.setAttribute("role", "dialog");
  window.setAttribute("aria-labelledby", "Form1-caption");
  const bar = make("div", "titlebar");
  const icon = make("img", "titlebar-icon");
  icon.src = "icon-32.png";
  icon.alt = "";
  const caption = make("span", "titlebar-caption");
  caption.id = "Form1-caption";
  caption.textContent = UTF8ToString(title, title_size);
  const closeBox = make("button", "titlebar-close");
  closeBox.type = "button";
  closeBox.dataset.control = form;
  closeBox.title = UTF8ToString(close, close_size);
  closeBox.setAttribute("aria-label", closeBox.title);
  bar.append(icon, caption, closeBox);
  const client = make("div", "client");
  client.id = "Form1-client";
  client.style.setProperty("--width", width);
  client.style.setProperty("--height", height);
  window.append(bar, client);
  document.getElementById("desk").replaceChildren(window);

  // The user's clicks only: the page's own (the file input, the download
  // link) must do what they do.
  let busy = false;
  document.addEventListener("click", event => {
    if (busy && event.isTrusted && !event.target.closest("dialog")) {
      event.preventDefault();
      event.stopImmediatePropagation();
    }
  }, true);
  window.addEventListener("click", async event => {
    const control = event.target.closest("[data-control]");
    if (!control || busy) return;
    busy = true;
    document.body.classList.add("busy");
    try {
      await Module.ccall("qorvane_click", null, ["number"],
                         [Number(control.dataset.control)], { async: true });
    } finally {
      busy = false;
      document.body.classList.remove("busy");
    }
  });
});

// One control of the table, of `kind` (KindClass), at its box in CSS pixels
// within its container; `labelled_by` names the control whose words name it.
// A label's font comes as a CSS family list.
EM_JS(void, AddControl, (int id, const char* kind, int container,
                         const char* name, int name_size, const char* caption,
                         int caption_size,
                         const char* labelled_by, int labelled_by_size,
                         int left, int top, int width, int height,
                         int tab_index, const char* font, int font_size), {
  const type = UTF8ToString(kind);
  const text = UTF8ToString(caption, caption_size);
  let element;
  if (type === "frame") {
    element = document.createElement("fieldset");
    const legend = document.createElement("legend");
    legend.textContent = text;
    legend.setAttribute("aria-live", "polite");
    const border = document.createElement("div");
    border.className = "frame-border";
    element.append(border, legend);
  } else if (type === "option" || type === "text") {
    element = document.createElement("input");
    element.type = type === "option" ? "radio" : "text";
    if (type === "option") element.value = text;
    if (type === "text") {
      element.readOnly = true;
      element.spellcheck = false;
      element.autocomplete = "off";
    }
  } else if (type === "label") {
    element = document.createElement("span");
    element.textContent = text;
    element.style.fontFamily = UTF8ToString(font, font_size);
  } else {
    element = document.createElement("button");
    element.type = "button";
    element.textContent = text;
  }
  element.className = "control " + type;
  element.id = UTF8ToString(name, name_size);
  element.dataset.control = id;
  if (labelled_by_size > 0) {
    element.setAttribute("aria-labelledby",
                         UTF8ToString(labelled_by, labelled_by_size));
  }
  if (tab_index >= 0) element.tabIndex = tab_index;
  const box = { left: left, top: top, width: width, height: height };
  for (const side in box) element.style.setProperty("--" + side, box[side]);
  const parent = container < 0
      ? document.getElementById("Form1-client")
      : document.querySelector('[data-control="' + container + '"]');
  parent.append(element);
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
// null when the picker could not be shown (Module.romError has why).
EM_ASYNC_JS(char*, PickFile, (const char* description, int description_size,
                              const char* extension, int extension_size), {
  const accept = UTF8ToString(extension, extension_size);
  let entry = null;
  try {
    if (window.showOpenFilePicker) {
      try {
        const [handle] = await window.showOpenFilePicker({
          types: [{
            description: UTF8ToString(description, description_size),
            accept: { "application/octet-stream": [accept] },
          }],
        });
        entry = { handle: handle, name: handle.name };
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
      if (file) entry = { file: file, name: file.name };
    }
  } catch (error) {
    Module.romError = (error && error.name) || "Error";
    return 0;
  }
  let path = "";
  if (entry) {
    const files = Module.romFiles = Module.romFiles || new Map();
    const same = async (a, b) => a.handle && b.handle
        ? a.handle.isSameEntry(b.handle)
        : Boolean(a.file && b.file && a.file.size === b.file.size &&
                  a.file.lastModified === b.file.lastModified);
    path = entry.name;
    for (let n = 2; files.has(path) && !(await same(files.get(path), entry));
         ++n) {
      path = n + "/" + entry.name;
    }
    files.set(path, entry);
  }
  const size = lengthBytesUTF8(path) + 1;
  const result = _malloc(size);
  stringToUTF8(path, result, size);
  return result;
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

// Each kind of control as the page knows it: its element (AddControl) and
// its class in the style sheet.
constexpr std::string_view KindClass(Kind kind) {
  switch (kind) {
    case Kind::Frame:
      return "frame";
    case Kind::OptionButton:
      return "option";
    case Kind::Label:
      return "label";
    case Kind::TextBox:
      return "text";
    case Kind::PushButton:
      return "command";
  }
  return "";
}

// The labels' font as a CSS family list, the generic family last.
std::string LabelFontFamilies() {
  std::string families;
  for (const std::string_view family : form1::kLabelFontFamilies) {
    families += '"' + std::string(family) + "\", ";
  }
  return families + "serif";
}

// "QorvaneROM文件(*.gba)|*.gba": the description without its pattern, and
// the pattern's extension.
struct PickerType {
  std::string_view description;
  std::string_view extension;
};
PickerType TypeOf(std::string_view filter) {
  const std::size_t bar = filter.find('|');
  std::string_view description = filter.substr(0, bar);
  std::string_view pattern =
      bar == std::string_view::npos ? "" : filter.substr(bar + 1);
  if (const std::size_t open = description.rfind('(');
      open != std::string_view::npos &&
      description.substr(open) == "(" + std::string(pattern) + ")") {
    description = description.substr(0, open);
  }
  if (pattern.starts_with('*')) pattern.remove_prefix(1);
  return {description, pattern};
}

Form1* the_form = nullptr;

}  // namespace

void Form1::Load() {
  the_form = this;
  const Text title = Pass(texts::kWindowTitle);
  const Text close = Pass(texts::kCloseButton);
  BuildFrame(title.data, title.size, close.data, close.size,
             form1::TwipsToPixels(form1::kClientWidth),
             form1::TwipsToPixels(form1::kClientHeight),
             static_cast<int>(form1::kForm));
  const std::string label_font = LabelFontFamilies();
  // Tab indexes from 1, so that the window's controls come first.
  int tab_position[form1::kControlCount] = {};
  int next = 1;
  for (const Id id : form1::TabOrder()) {
    tab_position[id] =
        form1::TakesFocus(form1::kControls[id].kind) ? next++ : -1;
  }
  for (const form1::Control& control : form1::kControls) {
    const Text name = Pass(control.name);
    const Text caption = Pass(control.caption);
    const bool label = control.kind == Kind::Label;
    const Text font = Pass(label ? std::string_view(label_font) : "");
    // An option button is named by its label.
    const Text labelled_by =
        Pass(control.kind == Kind::OptionButton
                 ? form1::kControls[form1::LabelOf(control.id)].name
                 : "");
    AddControl(
        static_cast<int>(control.id), KindClass(control.kind).data(),
        control.container == form1::kForm ? -1
                                          : static_cast<int>(control.container),
        name.data, name.size, caption.data, caption.size, labelled_by.data,
        labelled_by.size, form1::TwipsToPixels(control.box.left),
        form1::TwipsToPixels(control.box.top),
        form1::TwipsToPixels(control.box.width),
        form1::TwipsToPixels(control.box.height), tab_position[control.id],
        font.data, font.size);
  }
  Guard(form1::kLoad);
  if (!ended_) FocusControl(static_cast<int>(form1::TabOrder()[0]));
}

void Form1::Click(Id control) {
  if (ended_) return;
  if (control == form1::kForm) {  // the close box
    End();
    return;
  }
  // Option buttons in one container exclude each other.
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
  try {
    action(controller_);
    return;
  } catch (...) {
    const std::string report = FatalErrorText(std::current_exception());
    const Text text = Pass(report);
    const Text title = Pass(texts::kErrorTitle);
    const Text ok = Pass(texts::kOkButton);
    ShowBox(text.data, text.size, title.data, title.size, "error", ok.data,
            ok.size);
  }
  End();
}

void Form1::End() {
  ended_ = true;
  const Text notice = Pass(texts::kEndedNotice);
  const Text again = Pass(texts::kStartAgainButton);
  EndPage(notice.data, notice.size, again.data, again.size);
}

void Form1::ShowMessage(std::string_view text, std::string_view title,
                        MessageKind kind) {
  const Text words = Pass(text);
  const Text caption = Pass(title);
  const Text ok = Pass(texts::kOkButton);
  ShowBox(words.data, words.size, caption.data, caption.size,
          kind == MessageKind::Warning ? "warning" : "information", ok.data,
          ok.size);
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
                                         std::string_view filter) {
  const PickerType type = TypeOf(filter);
  const Text description = Pass(type.description);
  const Text extension = Pass(type.extension);
  char* picked = PickFile(description.data, description.size, extension.data,
                          extension.size);
  if (picked == nullptr) {
    throw std::runtime_error(std::string(texts::kPickerFailed) + "：" +
                             LastBrowserError().message());
  }
  const std::string path = picked;
  std::free(picked);
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

void Form1::QuitTool() { End(); }

}  // namespace qorvane

// The page's click listener calls this for each click on a control.
extern "C" EMSCRIPTEN_KEEPALIVE void qorvane_click(int control) {
  if (qorvane::the_form != nullptr && control >= 0 &&
      control <= static_cast<int>(qorvane::form1::kForm)) {
    qorvane::the_form->Click(static_cast<qorvane::form1::Id>(control));
  }
}
