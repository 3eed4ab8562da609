#include "window/web/form1.h"

#include <emscripten/emscripten.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "rom/web_error.h"
#include "switcher/switcher_texts.h"
#include "text/text.h"
#include "window/shared/error_boundary.h"
#include "window/shared/window_texts.h"

// The page side (form1.js).
extern "C" {
void qorvane_window_wire();
void qorvane_window_set_text(int id, const char* text, int size);
void qorvane_window_uncheck(int id);
void qorvane_window_focus(int id);
void qorvane_async_window_box(const char* text, int text_size,
                              const char* title, int title_size,
                              const char* icon);
int qorvane_async_window_pick(const char* description, int description_size,
                              const char* extension, int extension_size,
                              char** path);
void qorvane_window_end();
}

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

// A message box with the one 确定 button; `icon`: "warning",
// "information" or "error".
void Show(std::string_view text, std::string_view title, const char* icon) {
  const Text words = Pass(text);
  const Text caption = Pass(title);
  qorvane_async_window_box(words.data, words.size, caption.data, caption.size,
                           icon);
}

Form1* the_form = nullptr;

}  // namespace

void Form1::Load() {
  the_form = this;
  qorvane_window_wire();
  // An option the keyboard checked before the wiring is undone: Start
  // begins with none.
  for (const form1::Control& control : form1::kControls) {
    if (control.kind == Kind::OptionButton) {
      qorvane_window_uncheck(static_cast<int>(control.id));
    }
  }
  Guard(form1::kLoad);
  if (!ended_) qorvane_window_focus(static_cast<int>(form1::kTabOrder[0]));
}

void Form1::Click(Id control) {
  if (ended_) return;
  if (control == form1::kCloseBox) {
    End();
    return;
  }
  // Option buttons in one container exclude each other. The page's radios
  // have a group name each, so that each keeps its own tab stop as on the
  // desktop.
  if (form1::kControls[control].kind == Kind::OptionButton) {
    for (const form1::Control& other : form1::kControls) {
      if (other.kind == Kind::OptionButton && other.id != control &&
          other.container == form1::kControls[control].container) {
        qorvane_window_uncheck(static_cast<int>(other.id));
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
  qorvane_window_end();
}

void Form1::ShowMessage(std::string_view text, std::string_view title,
                        MessageKind kind) {
  Show(text, title, kind == MessageKind::Warning ? "warning" : "information");
}

void Form1::SetStatus(std::string_view text) {
  const Text words = Pass(text);
  qorvane_window_set_text(static_cast<int>(form1::Frame1), words.data,
                          words.size);
}

void Form1::SetPathText(std::string_view text) {
  const Text words = Pass(text);
  qorvane_window_set_text(static_cast<int>(form1::Text1), words.data,
                          words.size);
}

// The browser's picker shows its own title; `title` has no place in it.
std::filesystem::path Form1::AskOpenFile(std::string_view /*title*/,
                                         const texts::FileFilter& parts) {
  // The description without its pattern, and the pattern's extension.
  std::string_view extension = parts.pattern;
  if (extension.starts_with('*')) extension.remove_prefix(1);
  const Text description = Pass(parts.name);
  const Text type = Pass(extension);
  char* picked = nullptr;
  if (const int failed = qorvane_async_window_pick(
          description.data, description.size, type.data, type.size, &picked)) {
    throw std::runtime_error(std::string(window_texts::kPickerFailed) + "：" +
                             BrowserError(-failed).message());
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
