// Form1 as the page's markup, made at build time from the layout table and
// the texts: `form1-page html` prints the window's elements for index.html
// (the focus on the first control in tab order by `autofocus`, so that it
// lands there before any script runs), `form1-page templates` the page's
// other parts (the file input, the message box and the ended notice),
// `form1-page css` the style rules that put each control at its box. The
// site's other words come from it too, each escaped for where it goes:
// `title` and `notice` (where scripts are off) for the page, `name` and
// `short_name` as JSON strings for the web app manifest. At run time the
// page's library (form1.js) only wires and fills these elements.

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "switcher/switcher_texts.h"
#include "window/shared/form1_layout.h"
#include "window/shared/window_texts.h"

namespace {

using namespace qorvane;
using form1::Id;
using form1::Kind;

// Text as HTML character data or an attribute's value.
std::string Escape(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    escaped += c == '&'   ? "&amp;"
               : c == '<' ? "&lt;"
               : c == '"' ? "&quot;"
                          : std::string(1, c);
  }
  return escaped;
}

// Text as a JSON string, in its quotes.
std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) {  // a control character
      std::array<char, 8> escape{};
      std::snprintf(escape.data(), escape.size(), "\\u%04x",
                    static_cast<unsigned>(c));
      json += escape.data();
      continue;
    }
    if (c == '"' || c == '\\') json += '\\';
    json += c;
  }
  return json + '"';
}

// Each kind of control as the page knows it: its element's start tag (and
// what comes inside it before its text) and its class in the style sheet
// (none for a push button, which the sheet's rule for buttons fits).
struct Markup {
  std::string_view open, close, style_class;
};
constexpr Markup MarkupOf(Kind kind) {
  switch (kind) {
    case Kind::Frame:
      return {"<fieldset", "</fieldset>", "frame"};
    case Kind::OptionButton:
      return {"<input type=\"radio\"", "", "option"};
    case Kind::Label:
      return {"<span", "</span>", "label"};
    case Kind::TextBox:
      return {
          "<input type=\"text\" readonly spellcheck=\"false\" "
          "autocomplete=\"off\"",
          "", "text"};
    case Kind::PushButton:
      return {"<button type=\"button\"", "</button>", ""};
  }
  return {};
}

// Each control's tabindex in the page, 0 for one that takes no focus: its
// place in tab order among those that take it, counting from 1 so that the
// window's controls come first.
constexpr std::array<int, form1::kControlCount> kTabIndexes = [] {
  std::array<int, form1::kControlCount> indexes{};
  int next = 1;
  for (const Id id : form1::kTabOrder) {
    if (form1::TakesFocus(form1::kControls[id].kind)) indexes[id] = next++;
  }
  return indexes;
}();

// The controls held by `container`, each with what it holds.
std::string Controls(Id container) {
  std::string html;
  for (const form1::Control& control : form1::kControls) {
    if (control.container != container) continue;
    const Markup markup = MarkupOf(control.kind);
    html += std::string(markup.open) + " class=\"control";
    if (!markup.style_class.empty()) {
      html += ' ' + std::string(markup.style_class);
    }
    html += "\" id=\"" + std::string(control.name) + "\" data-control=\"" +
            std::to_string(control.id) + '"';
    // An option is named by its label. Each has a group name of its own,
    // so that each keeps its own tab stop as on the desktop (WebKit takes
    // unnamed radios for one group and stops at one only); the window
    // clears the other option itself.
    if (control.kind == Kind::OptionButton) {
      html += " name=\"" + std::string(control.name) + "\" value=\"" +
              Escape(control.caption) + "\" aria-labelledby=\"" +
              std::string(form1::kControls[form1::LabelOf(control.id)].name) +
              '"';
    }
    if (kTabIndexes[control.id] > 0) {
      html += " tabindex=\"" + std::to_string(kTabIndexes[control.id]) + '"';
    }
    if (control.id == form1::kTabOrder[0]) html += " autofocus";
    html += '>';
    if (control.kind == Kind::Frame) {
      html +=
          "<div class=\"frame-border\"></div><legend aria-live=\"polite\">" +
          Escape(control.caption) + "</legend>" + Controls(control.id);
    } else if (!markup.close.empty()) {
      html += Escape(control.caption);
    }
    html += markup.close;
  }
  return html;
}

// The window's frame: a title bar with the icon, the caption and the close
// box, above the client area. `data-control` names the control a click is
// for.
std::string Window() {
  const std::string close = Escape(window_texts::kCloseButton);
  return "<div class=\"form1\" id=\"Form1\" role=\"dialog\" "
         "aria-labelledby=\"Form1-caption\"><div class=\"titlebar\"><img "
         "class=\"titlebar-icon\" src=\"icon-32.png\" alt=\"\"><span "
         "class=\"titlebar-caption\" id=\"Form1-caption\">" +
         Escape(texts::kWindowTitle) +
         "</span><button class=\"titlebar-close\" type=\"button\" "
         "data-control=\"" +
         std::to_string(form1::kCloseBox) + "\" title=\"" + close +
         "\" aria-label=\"" + close +
         "\"></button></div><div class=\"client\" id=\"Form1-client\">" +
         Controls(form1::kOnForm) + "</div></div>";
}

// The page's parts beside the window: the file input the picker uses where
// the browser has no showOpenFilePicker, and the templates of the message
// box and of the notice that replaces the window at the end. The notice
// has a line for each way a converted copy can fare (`data-copy`, each
// followed by the copy's name), shown as it fares.
std::string Templates() {
  namespace words = window_texts;
  std::string copy_lines;
  for (const auto& [outcome, text] :
       std::array<std::array<std::string_view, 2>, 5>{{
           {"downloaded", words::kCopyDownloaded},
           {"shared", words::kCopyShared},
           {"dismissed", words::kShareDismissed},
           {"failed", words::kShareFailed},
           {"unsaved", words::kCopyNotSaved},
       }}) {
    copy_lines += "<p data-copy=\"" + std::string(outcome) + "\" hidden>" +
                  Escape(text) + "<span class=\"copy-name\"></span></p>";
  }
  return "<input type=\"file\" id=\"Form1-picker\" hidden>"
         "<template id=\"Form1-msgbox\"><dialog class=\"msgbox\" "
         "role=\"alertdialog\" aria-labelledby=\"msgbox-title\" "
         "aria-describedby=\"msgbox-text\"><div class=\"titlebar\"><span "
         "class=\"titlebar-caption\" id=\"msgbox-title\"></span></div><div "
         "class=\"msgbox-body\"><span class=\"msgbox-icon\" "
         "aria-hidden=\"true\"></span><div class=\"msgbox-text\" "
         "id=\"msgbox-text\"></div></div><div class=\"msgbox-buttons\"><button "
         "type=\"button\">" +
         Escape(words::kOkButton) +
         "</button></div></dialog></template>"
         "<template id=\"Form1-ended\"><section class=\"ended\" "
         "role=\"status\"><p>" +
         Escape(words::kEndedNotice) + "</p><div class=\"copy\" hidden>" +
         copy_lines + "<p>" + Escape(words::kChosenFileUnchanged) +
         "</p><button type=\"button\" data-action=\"save\">" +
         Escape(words::kSaveAgainButton) +
         "</button></div><button type=\"button\" data-action=\"again\">" +
         Escape(words::kStartAgainButton) + "</button></section></template>";
}

// A number as CSS writes it (14, 10.5).
std::string Number(double value) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%g", value);
  return text.data();
}

// The client area's width on the page's root (--client-width: a narrow
// screen scales the window to fit it), the boxes in CSS pixels (--left,
// --top, --width, --height), and the labels' font: its size (96 CSS pixels
// to 72 points) and a CSS family list, the generic family last.
std::string Style() {
  const std::string client_width =
      std::to_string(form1::TwipsToPixels(form1::kClientWidth));
  std::string css =
      "\n/* Form1's boxes and the labels' font, from the layout table. */\n"
      ":root { --client-width: " +
      client_width + "; }\n#Form1-client { --width: " + client_width +
      "; --height: " +
      std::to_string(form1::TwipsToPixels(form1::kClientHeight)) + "; }\n";
  for (const form1::Control& control : form1::kControls) {
    css += '#' + std::string(control.name) + " { --left: " +
           std::to_string(form1::TwipsToPixels(control.box.left)) +
           "; --top: " + std::to_string(form1::TwipsToPixels(control.box.top)) +
           "; --width: " +
           std::to_string(form1::TwipsToPixels(control.box.width)) +
           "; --height: " +
           std::to_string(form1::TwipsToPixels(control.box.height)) + "; }\n";
  }
  css += ".control." + std::string(MarkupOf(Kind::Label).style_class) +
         " { font-size: calc(" + Number(form1::kLabelFontPoints * 96 / 72) +
         " * var(--px)); font-family: ";
  for (const std::string_view family : form1::kLabelFontFamilies) {
    css += '"' + std::string(family) + "\", ";
  }
  return css + "serif; }\n";
}

// What `form1-page PART` prints.
struct Part {
  std::string_view name;
  std::string (*make)();
};
constexpr std::array<Part, 7> kParts{{
    {"html", Window},
    {"templates", Templates},
    {"css", Style},
    {"title", [] { return Escape(texts::kWindowTitle); }},
    {"notice", [] { return Escape(window_texts::kNoScriptNotice); }},
    {"name", [] { return JsonString(texts::kWindowTitle); }},
    {"short_name", [] { return JsonString(window_texts::kAppShortName); }},
}};

}  // namespace

int main(int argc, char** argv) {
  const std::string_view name = argc == 2 ? argv[1] : "";
  const Part* part = nullptr;
  for (const Part& each : kParts) {
    if (each.name == name) part = &each;
  }
  if (part == nullptr) {
    std::fputs(
        "usage: form1-page html|templates|css|title|notice|name|short_name\n",
        stderr);
    return 2;
  }
  // A last newline: the runtime writes out only whole lines.
  const std::string text = part->make() + '\n';
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    std::perror("form1-page");
    return 1;
  }
  return 0;
}
