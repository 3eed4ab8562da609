// What every Form1 must show and do, checked the same way for each window
// through a probe its test provides. The layout is checked against pixel
// boxes written out here apart from the layout table, so that a wrong box
// in the table fails every window's test.

#ifndef QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_
#define QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "switcher/switcher_texts.h"
#include "tests/support/scratch.h"
#include "window/shared/form1_layout.h"

namespace qorvane::testing {

// At 96 DPI: the client area, and each control's left, top, width and
// height within its container, by form1::Id.
inline constexpr std::array<int, 2> kClientPixels{268, 121};
// clang-format off
inline constexpr std::array<std::array<int, 4>, form1::kControlCount> kPixelBoxes{{
    {8, 8, 249, 41}, {24, 16, 17, 17}, {48, 16, 65, 17}, {144, 16, 17, 17},  // ..Option2
    {168, 16, 65, 17}, {8, 59, 193, 20}, {208, 56, 49, 25}, {8, 88, 73, 25},  // ..Command1
    {96, 88, 73, 25}, {184, 88, 73, 25}}};
// clang-format on

// What a window under test records; each test's Window adds the probes
// the checks below call: Handle(id) (the toolkit's; form1::kForm: the
// window), Parent(id), Box(id) (in its container; the form's: its client
// area), Text(id) (caption; the form's title), Name(id) (what screen readers
// read), TabRound(n) (the focus and where Tab takes it, n in all),
// Checked(id), Click(id), which answers each dialog it brings (OK, or
// `file_to_open`), and Close() (the close box); its Form1 is `form`.
struct Form1Log {
  Scratch dir;
  std::filesystem::path file_to_open;
  std::vector<std::string> dialogs;  // as Entry gives them
  std::vector<int> ends;             // each status the program ended with
};

// A dialog as the log holds it: a message box by its Windows style (48
// exclamation, 64 information, 16 error), title and text (lines joined by
// a carriage return); the open dialog (0) by its title and initial name.
inline constexpr int kOpenDialog = 0, kWarningBox = 48, kInformationBox = 64,
                     kErrorBox = 16;
inline std::string Entry(int kind, std::string_view title,
                         std::string_view text) {
  return std::to_string(kind) + '|' + std::string(title) + '|' +
         std::string(text);
}

// The table's layout, captions and tab order, at `dpi`: at 96 the pixels
// above, at others the table's twips at that DPI.
template <typename Window>
void ExpectLayout(Window& w, unsigned dpi = 96) {
  const auto px = [dpi](int pixels, int twips) {
    return dpi == 96 ? pixels : form1::TwipsToPixels(twips, dpi);
  };
  EXPECT_EQ(w.Box(form1::kForm),
            (std::array{0, 0, px(kClientPixels[0], form1::kClientWidth),
                        px(kClientPixels[1], form1::kClientHeight)}));
  EXPECT_EQ(w.Text(form1::kForm), texts::kWindowTitle);
  std::vector<decltype(w.Handle(form1::kForm))> round;
  for (const form1::Id id : form1::TabOrder()) {
    const form1::Control& c = form1::kControls[id];
    SCOPED_TRACE(c.name.data());
    if (form1::TakesFocus(c.kind)) round.push_back(w.Handle(id));
    EXPECT_EQ(w.Parent(id), w.Handle(c.container));
    const auto& at = kPixelBoxes[id];
    EXPECT_EQ(w.Box(id),
              (std::array{px(at[0], c.box.left), px(at[1], c.box.top),
                          px(at[2], c.box.width), px(at[3], c.box.height)}));
    if (c.kind == form1::Kind::OptionButton) {  // named by its label
      EXPECT_EQ(w.Name(id), form1::kControls[form1::LabelOf(id)].caption);
    } else {
      EXPECT_EQ(w.Text(id), c.caption);
    }
  }
  round.push_back(round[0]);  // once round, from the first
  EXPECT_EQ(w.TabRound(round.size()), round);
}

// Each wired control runs its action; a conversion, an error, Exit and the
// close box end the program, with 0, 1, 0 and 0.
template <typename Window>
void ExpectActionsAndEnds() {
  Window w;
  w.Click(form1::Command1);  // no ROM yet
  w.Click(form1::Command3);
  w.Click(form1::Option1);
  EXPECT_EQ(w.form.controller().target_script(), 1);
  w.Click(form1::Option2);
  EXPECT_EQ(w.form.controller().target_script(), 2);
  EXPECT_FALSE(w.Checked(form1::Option1)) << "one group";
  const auto rom = w.file_to_open = w.dir.MakeRom(RomEdition::Simplified);
  w.Click(form1::Command4);
  EXPECT_EQ(w.Text(form1::Frame1), texts::kStatusSimplified);
  EXPECT_EQ(w.Text(form1::Text1), PathToUtf8(rom));
  w.Click(form1::Command1);
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
  EXPECT_EQ(w.dialogs,
            (std::vector{
                Entry(kWarningBox, texts::kWarningTitle, texts::kNoRomWarning),
                Entry(kInformationBox, texts::kAboutTitle, texts::kAboutText),
                Entry(kOpenDialog, texts::kOpenDialogTitle, ""),
                Entry(kInformationBox, texts::kNoticeTitle,
                      texts::kConvertedNotice)}));
  EXPECT_EQ(std::pair(w.ends, w.form.exit_status()),
            std::pair(std::vector{0}, std::optional(0)));

  Window failing;  // the accepted file is gone when it is converted
  failing.file_to_open = failing.dir.MakeRom(RomEdition::Traditional);
  failing.Click(form1::Command4);
  std::filesystem::remove(failing.file_to_open);
  failing.Click(form1::Option1);
  failing.Click(form1::Command1);
  EXPECT_EQ(failing.dialogs.back().rfind(
                Entry(kErrorBox, texts::kErrorTitle, texts::kFileErrorLead), 0),
            0u);
  EXPECT_NE(failing.dialogs.back().find(PathToUtf8(failing.file_to_open)),
            std::string::npos);
  EXPECT_EQ(std::pair(failing.ends, failing.form.exit_status()),
            std::pair(std::vector{1}, std::optional(1)));

  Window exit, closed;
  exit.Click(form1::Command2);
  closed.Close();
  EXPECT_EQ(exit.ends, std::vector{0});
  EXPECT_EQ(std::pair(closed.ends, closed.form.exit_status()),
            std::pair(std::vector{0}, std::optional(0)));
}

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_WINDOW_FORM1_CHECKS_H_
