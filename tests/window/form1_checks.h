// What every Form1 must show and do, checked alike for each window; boxes and
// tab round written out apart from the table, so its faults fail them all.

#ifndef QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_
#define QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "switcher/switcher_texts.h"
#include "tests/support/scratch.h"
#include "text/text.h"
#include "window/shared/form1_layout.h"

namespace qorvane::testing {

using form1::Command1, form1::Command2, form1::Command3, form1::Command4,
    form1::Option1, form1::Option2, form1::Text1, form1::kOnForm;

// At 96 DPI, by form1::Id: left, top, width, height in the container; last,
// the form's client area.
// clang-format off
inline constexpr std::array<std::array<int, 4>, kOnForm + 1> kPixelBoxes{{
    {8, 8, 249, 41}, {24, 16, 17, 17}, {48, 16, 65, 17}, {144, 16, 17, 17},  // ..Option2
    {168, 16, 65, 17}, {8, 59, 193, 20}, {208, 56, 49, 25}, {8, 88, 73, 25},  // ..Command1
    {96, 88, 73, 25}, {184, 88, 73, 25}, {0, 0, 268, 121}}};
// clang-format on
// The focus at the start, then where Tab takes it, back to the start.
inline constexpr std::array kTabRound{Command1, Command2, Command3, Option1,
                                      Option2,  Text1,    Command4, Command1};

// A window under test logs; its test adds probes (Handle, Parent, Box, Text
// as screen readers read it, TabRound, Close; Click answers each dialog with
// OK or `file_to_open`) and its Form1 `form`.
struct Form1Log {
  Scratch dir;
  std::filesystem::path file_to_open;
  std::vector<std::string> dialogs;  // "title|text", lines joined by "\r"
  std::vector<int> ends;             // each status the program ended with
};

template <typename Window>
void ExpectLayout(Window& w) {
  EXPECT_EQ(w.Text(kOnForm), texts::kWindowTitle);
  for (std::size_t id = 0; id <= kOnForm; ++id) {
    EXPECT_EQ(w.Box(form1::Id(id)), kPixelBoxes[id]) << "control " << id;
  }
  for (const form1::Control& c : form1::kControls) {
    EXPECT_EQ(w.Parent(c.id), w.Handle(c.container)) << c.name;
    const bool option = c.kind == form1::Kind::OptionButton;  // its label's
    EXPECT_EQ(w.Text(c.id),
              form1::kControls[option ? LabelOf(c.id) : c.id].caption);
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
  EXPECT_EQ(w.form.controller().target_script(), kSimplifiedScript);
  w.Click(Option2);
  EXPECT_EQ(w.form.controller().target_script(), kTraditionalScript);
  EXPECT_EQ(std::pair(w.Checked(Option1), w.Checked(Option2)),
            std::pair(false, true));  // one group
  w.Click(Command4);
  EXPECT_EQ(w.Text(form1::Frame1) + '|' + w.Text(Text1),
            std::string(texts::kStatusSimplified) + '|' + PathToUtf8(rom));
  w.Click(Command1);
  SignatureBytes signature{};
  EXPECT_EQ(InspectRom(rom, signature), RomEdition::Traditional);
  const auto entry = [](std::string_view title, std::string_view text) {
    return std::string(title) + '|' + std::string(text);
  };
  EXPECT_EQ(w.dialogs,
            (std::vector{entry(texts::kWarningTitle, texts::kNoRomWarning),
                         entry(texts::kAboutTitle, texts::kAboutText),
                         entry(texts::kOpenDialogTitle, ""),  // initial name
                         entry(texts::kNoticeTitle, texts::kConvertedNotice)}));
  failing.file_to_open = failing.dir.MakeRom(RomEdition::Traditional);
  failing.Click(Command4);
  std::filesystem::remove(failing.file_to_open);
  failing.Click(Option1);
  failing.Click(Command1);
  EXPECT_EQ(failing.dialogs.back().rfind(
                entry(texts::kErrorTitle, texts::kFileErrorLead), 0),
            0u);
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
