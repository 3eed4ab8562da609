// What every Form1 must show and do, checked alike for each window; boxes,
// texts and tab round written out apart from the table and the texts, so
// their faults fail them all.

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
  std::vector<std::string> dialogs;  // "title|text", lines joined by "\r"
  std::vector<int> ends;             // each status the program ended with
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

// Each wired control runs its action; a conversion, Exit and the close box
// end the program with 0, an error (its file gone) with 1 after its box.
template <typename Window>
void ExpectActionsAndEnds() {
  Window w, failing, exit, closed;
  const auto rom = w.file_to_open = w.dir.MakeRom(RomEdition::Simplified);
  w.Click(Command1);  // no ROM yet
  w.Click(Command3);
  w.Click(Option1);
  const TargetScript first = w.form.controller().target_script();
  w.Click(Option2);
  EXPECT_EQ(std::tuple(first, w.form.controller().target_script(),
                       w.Checked(Option1), w.Checked(Option2)),
            std::tuple(1, 2, false, true));  // one group
  w.Click(Command4);
  EXPECT_EQ(w.Text(Frame1) + '|' + w.Text(Text1),
            "目前此ROM为简体中文|" + PathToUtf8(rom));
  w.Click(Command1);
  EXPECT_EQ(w.dialogs,
            (std::vector<std::string>{
                "警 告|请先选择QorvaneADVANCE\rLumek汉化中文版ROM文件",
                std::string("说 明|") + kAboutText,
                "打开QorvaneROM文件|",  // and its initial name
                "提 示|转换成功"}));
  failing.file_to_open = failing.dir.MakeRom(RomEdition::Traditional);
  failing.Click(Command4);
  std::filesystem::remove(failing.file_to_open);
  failing.Click(Option1);
  failing.Click(Command1);
  EXPECT_TRUE(failing.dialogs.back().starts_with(
      "错 误|处理ROM文件时出错，程序将退出。\r"));
  exit.Click(Command2);
  closed.Close();
  for (auto* ended : {&w, &failing, &exit, &closed}) {
    const int status = ended == &failing ? 1 : 0;
    EXPECT_EQ(std::pair(ended->ends, ended->form.exit_status()),
              std::pair(std::vector{status}, std::optional(status)));
  }
}

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_
