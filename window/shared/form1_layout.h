// Form1 as data: every control with its name, kind, container, caption,
// box in twips and tab index; the client size; how twips become pixels; the
// label font; and which controller action each control event runs. Every
// window (Qt, Win32, the browser) builds itself from this table and adds
// only its toolkit's class or style for each kind.

#ifndef QORVANE_WINDOW_SHARED_FORM1_LAYOUT_H_
#define QORVANE_WINDOW_SHARED_FORM1_LAYOUT_H_

#include <array>
#include <cstddef>
#include <string_view>

#include "switcher/switcher_controller.h"
#include "switcher/switcher_texts.h"

namespace qorvane::form1 {

enum class Kind { Frame, OptionButton, Label, TextBox, PushButton };

// Index of each control in `kControls`.
enum Id : std::size_t {
  Frame1,
  Option1,
  Label1,
  Option2,
  Label2,
  Text1,
  Command4,
  Command1,
  Command3,
  Command2,
  kControlCount,
};

// A box in twips (1/1440 inch), relative to the control's container.
struct Box {
  int left, top, width, height;
};

struct Control {
  Id id;
  std::string_view name;
  Kind kind;
  Id container;  // kOnForm: the form itself
  std::string_view caption;
  Box box;
  int tab_index;  // focus goes in rising order, to the kinds that take it
};

// Labels and the frame take no focus; the other kinds take it by Tab.
constexpr bool TakesFocus(Kind kind) {
  return kind != Kind::Frame && kind != Kind::Label;
}

// Not controls, numbered after them: the form itself, as a container, and
// the close box of a page that draws its own.
inline constexpr Id kOnForm = kControlCount;
inline constexpr Id kCloseBox = kControlCount;

// The client area, in twips.
inline constexpr int kClientWidth = 4020;
inline constexpr int kClientHeight = 1815;

// clang-format off
inline constexpr std::array<Control, kControlCount> kControls{{
    // The option buttons' own captions are clipped out of sight by their
    // width; the words beside them are the labels.
    {Frame1,   "Frame1",   Kind::Frame,        kOnForm, texts::kFrameCaption,     {120, 120, 3735, 615},   3},
    {Option1,  "Option1",  Kind::OptionButton, Frame1,  texts::kOption1Caption,   {360, 240, 255, 255},    6},
    {Label1,   "Label1",   Kind::Label,        Frame1,  texts::kSimplifiedLabel,  {720, 240, 975, 255},    4},
    {Option2,  "Option2",  Kind::OptionButton, Frame1,  texts::kOption2Caption,   {2160, 240, 255, 255},   7},
    {Label2,   "Label2",   Kind::Label,        Frame1,  texts::kTraditionalLabel, {2520, 240, 975, 255},   5},
    {Text1,    "Text1",    Kind::TextBox,      kOnForm, "",                       {120, 880, 2895, 300},   8},
    {Command4, "Command4", Kind::PushButton,   kOnForm, texts::kBrowseButton,     {3120, 840, 735, 375},   9},
    {Command1, "Command1", Kind::PushButton,   kOnForm, texts::kConvertButton,    {120, 1320, 1095, 375},  0},
    {Command3, "Command3", Kind::PushButton,   kOnForm, texts::kAboutButton,      {1440, 1320, 1095, 375}, 2},
    {Command2, "Command2", Kind::PushButton,   kOnForm, texts::kExitButton,       {2760, 1320, 1095, 375}, 1},
}};
// clang-format on

// The label that names an option button (for screen readers).
constexpr Id LabelOf(Id option) { return option == Option1 ? Label1 : Label2; }

// The controls in tab order, the first one holding the focus at load. Each
// window makes its controls in this order (a container before what it
// holds), which is also the order its toolkit tabs in.
inline constexpr std::array<Id, kControlCount> kTabOrder = [] {
  std::array<Id, kControlCount> order{};
  for (const Control& control : kControls)
    order[control.tab_index] = control.id;
  return order;
}();

// Twips as pixels at `dpi` (15 twips to a pixel at 96 DPI), to the nearest
// pixel; every coordinate of the form is a multiple of 15 but 880, which
// becomes 59.
constexpr int TwipsToPixels(int twips, unsigned dpi = 96) {
  return static_cast<int>((static_cast<long long>(twips) * dpi + 720) / 1440);
}

// The labels' font: 宋体 at 10.5 points, normal weight, GB2312 (134); where
// SimSun is missing, an installed Simplified-Chinese face, in this order.
// Every other control uses the platform's dialog font.
inline constexpr std::string_view kLabelFontFace = "宋体";
inline constexpr double kLabelFontPoints = 10.5;
inline constexpr int kLabelFontCharset = 134;
inline constexpr std::array<std::string_view, 11> kLabelFontFamilies{
    "SimSun",
    "宋体",
    "NSimSun",
    "Songti SC",
    "Noto Serif CJK SC",
    "Source Han Serif SC",
    "Noto Sans CJK SC",
    "Source Han Sans SC",
    "WenQuanYi Zen Hei",
    "Microsoft YaHei",
    "PingFang SC",
};

// A controller action, as each window's Guard runs it: an error it raises
// is reported and ends the program.
using Action = void (*)(SwitcherController&);

// The form's load event. (Its close box runs no action: it ends the program
// through the window's End, as QuitTool does.)
inline constexpr Action kLoad = [](SwitcherController& c) { c.Start(); };

// The control events and the actions they run: a click on each of these
// controls, and nothing else of any control.
struct Wire {
  Id control;
  Action action;
};
inline constexpr std::array<Wire, 6> kWiring{{
    {Option1, [](SwitcherController& c) { c.ChooseScript(kSimplifiedScript); }},
    {Option2,
     [](SwitcherController& c) { c.ChooseScript(kTraditionalScript); }},
    {Command4, [](SwitcherController& c) { c.BrowseForRom(); }},
    {Command1, [](SwitcherController& c) { c.ConvertSelectedRom(); }},
    {Command3, [](SwitcherController& c) { c.ShowAbout(); }},
    {Command2, [](SwitcherController& c) { c.ExitTool(); }},
}};

// The action a click on `control` runs, or null.
constexpr Action ActionFor(Id control) {
  for (const Wire& wire : kWiring) {
    if (wire.control == control) return wire.action;
  }
  return nullptr;
}

namespace checks {
constexpr bool IdsIndexTheTable() {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    if (kControls[i].id != Id(i)) return false;
  }
  return true;
}
constexpr bool EachControlInTabOrder() {  // no tab index used twice
  for (std::size_t i = 0; i < kTabOrder.size(); ++i) {
    if (kControls[kTabOrder[i]].tab_index != int(i)) return false;
  }
  return true;
}
}  // namespace checks
static_assert(checks::IdsIndexTheTable(), "kControls is indexed by Id");
static_assert(checks::EachControlInTabOrder(), "tab indexes run 0 to 9");
static_assert(kTabOrder[0] == Command1, "the focus starts on Command1");

}  // namespace qorvane::form1

#endif  // QORVANE_WINDOW_SHARED_FORM1_LAYOUT_H_
