// What every Form1 owns, checked alike for each window: its layout, each
// control event reaching its action, its dialogs and its ends. Boxes, texts
// and tab round are written out apart from the table and the texts, so
// their faults fail them all; the controller's flows have their own test.

#ifndef QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_
#define QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/scratch.h"
#include "text/text.h"
#include "window/shared/form1_layout.h"

namespace qorvane::testing {

using form1::Command1, form1::Command2, form1::Command3, form1::Command4,
    form1::Frame1, form1::Label2, form1::Option1, form1::Option2, form1::Text1,
    form1::kOnForm;

// By form1::Id, then the form: the box at 96 DPI in its container (the
// form's: its client area), and the text as screen readers read it (an
// option button's: its label's words).
struct Shown {
  std::array<int, 4> box;
  const char* text;
};
// clang-format off
inline constexpr Shown kShown[] = {
    {{8, 8, 249, 41}, "简繁体切换"},  {{24, 16, 17, 17}, "简体中文"},
    {{48, 16, 65, 17}, "简体中文"},   {{144, 16, 17, 17}, "繁体中文"},
    {{168, 16, 65, 17}, "繁体中文"},  {{8, 59, 193, 20}, ""},
    {{208, 56, 49, 25}, "浏览.."},    {{8, 88, 73, 25}, "转 换"},
    {{96, 88, 73, 25}, "说 明"},      {{184, 88, 73, 25}, "退 出"},
    {{0, 0, 268, 121}, "QorvaneADVANCE中文版 简繁体切换工具"}};
// clang-format on
// The focus at the start, then where Tab takes it, back to the start.
inline constexpr std::array kTabRound{Command1, Command2, Command3, Option1,
                                      Option2,  Text1,    Command4, Command1};

// A window under test logs; its test adds probes (Handle, Parent, Box, Text,
// TabRound, Checked, Close; Click answers each dialog with OK or
// `file_to_open`) and its Form1 `form`.
struct Form1Log {
  Scratch dir;
  std::filesystem::path file_to_open;
  // A message box as "icon title|text" (icon: i, ! or x; lines joined by
  // "\r"), the open dialog as "title|its filter".
  std::vector<std::string> dialogs;
  std::vector<int> ends;  // each status the program ended with
};

template <typename Window>
void ExpectLayout(Window& w) {
  for (std::size_t id = 0; id <= kOnForm; ++id) {
    const auto at = form1::Id(id);
    EXPECT_EQ(std::pair(w.Box(at), w.Text(at)),
              std::pair(kShown[id].box, std::string(kShown[id].text)));
    if (at == kOnForm) continue;
    const bool in_frame = at >= Option1 && at <= Label2;
    EXPECT_EQ(w.Parent(at), w.Handle(in_frame ? Frame1 : kOnForm)) << id;
  }
  std::vector<decltype(w.Handle(kOnForm))> round(kTabRound.size());
  for (std::size_t i = 0; auto& at : round) at = w.Handle(kTabRound[i++]);
  EXPECT_EQ(w.TabRound(round.size()), round);
}

// Each control's click runs its action, seen by the first thing it shows;
// the status and the path show in the frame and the path box. Exit and the
// close box end the program with 0, an error (its file gone) with 1 after
// its box.
template <typename Window>
void ExpectWiringAndEnds(const std::string& open_dialog) {
  Window w, exit, closed;
  const auto rom = w.file_to_open = w.dir.MakeRom(RomEdition::Simplified);
  w.Click(Command1);  // no ROM yet
  w.Click(Command3);
  w.Click(Command4);
  EXPECT_EQ(w.Text(Frame1) + '|' + w.Text(Text1),
            "目前此ROM为简体中文|" + PathToUtf8(rom));
  w.Click(Option2);
  const TargetScript second = w.form.controller().target_script();
  w.Click(Option1);
  EXPECT_EQ(std::tuple(second, w.form.controller().target_script(),
                       w.Checked(Option1), w.Checked(Option2)),
            std::tuple(2, 1, true, false));  // one group
  std::filesystem::remove(rom);
  w.Click(Command1);
  ASSERT_FALSE(w.dialogs.empty());
  std::string& error = w.dialogs.back();  // its first line
  error = error.substr(0, error.find('\r'));
  EXPECT_EQ(w.dialogs,
            (std::vector<std::string>{
                "! 警 告|请先选择QorvaneADVANCE\rLumek汉化中文版ROM文件",
                std::string("i 说 明|") + kAboutText, open_dialog,
                "x 错 误|处理ROM文件时出错，程序将退出。"}));
  exit.Click(Command2);
  closed.Close();
  for (auto* ended : {&w, &exit, &closed}) {
    const int status = ended == &w ? 1 : 0;
    EXPECT_EQ(std::pair(ended->ends, ended->form.exit_status()),
              std::pair(std::vector{status}, std::optional(status)));
  }
}

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_
