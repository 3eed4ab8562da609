#include "switcher/switcher_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "rom/rom_error.h"
#include "tools/rom_image.h"
#include "tests/support/temp_dir.h"
#include "tests/switcher/fake_view.h"

namespace qorvane {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::RomImageBuilder;
using testing::Status;
using testing::ViewCall;
using testing::Warning;

const ViewCall kAsk{"ask", "QorvaneROM文件(*.gba)|*.gba", "打开QorvaneROM文件"};
const std::string kUnrecognisedText =
    "您选择的不是“QorvaneADVANCE”的ROM\r       请选择正确的ROM文件";
const std::string kNotEnhancedText =
    "您选择的不是Lumek汉化简繁增强版的ROM\r        请选择正确的ROM文件";

class SwitcherControllerTest : public ::testing::Test {
 protected:
  SwitcherControllerTest() { controller_.Start(); }

  std::filesystem::path MakeRom(const std::filesystem::path& name,
                                RomEdition edition) {
    auto path = dir_ / name;
    RomImageBuilder().Edition(edition).WriteTo(path);
    return path;
  }

  // Browses to `path` and forgets what the view recorded so far.
  void Accept(const std::filesystem::path& path) {
    view_.answers.push_back(path);
    controller_.BrowseForRom();
    ASSERT_EQ(controller_.selected_rom_path(), path);
    view_.calls.clear();
  }

  testing::TempDir dir_;
  testing::FakeView view_;
  SwitcherController controller_{view_};
};

TEST_F(SwitcherControllerTest, ConvertAtStartShowsOnlyTheNoRomWarning) {
  controller_.ConvertSelectedRom();
  EXPECT_EQ(view_.calls,
            (std::vector<ViewCall>{
                Warning("请先选择QorvaneADVANCE\rLumek汉化中文版ROM文件")}));
}

TEST_F(SwitcherControllerTest, HeldRomWithoutScriptAsksForOneAndWritesNothing) {
  const auto rom = MakeRom("rom.gba", RomEdition::Simplified);
  const Bytes before = ReadFileBytes(rom);
  Accept(rom);
  controller_.ConvertSelectedRom();
  EXPECT_EQ(view_.calls,
            (std::vector<ViewCall>{Warning("请选择要转换的字体")}));
  EXPECT_EQ(ReadFileBytes(rom), before);
}

TEST_F(SwitcherControllerTest, BrowseAcceptsOnlyEnhancedEditions) {
  struct Case {
    RomEdition edition;
    std::vector<ViewCall> after_ask;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {RomEdition::Simplified, {Status("目前此ROM为简体中文")}, true},
      {RomEdition::Traditional, {Status("目前此ROM为繁体中文")}, true},
      {RomEdition::NotEnhanced, {Warning(kNotEnhancedText)}, false},
      {RomEdition::Unrecognised, {Warning(kUnrecognisedText)}, false},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index);
    const auto rom =
        MakeRom("rom" + std::to_string(index++) + ".gba", c.edition);
    testing::FakeView view;
    SwitcherController controller(view);
    controller.Start();
    view.answers.push_back(rom);
    controller.BrowseForRom();

    std::vector<ViewCall> expected{kAsk};
    expected.insert(expected.end(), c.after_ask.begin(), c.after_ask.end());
    if (c.accepted) expected.push_back({"path", rom.string()});
    EXPECT_EQ(view.calls, expected);
    EXPECT_EQ(controller.selected_rom_path(),
              c.accepted ? rom : std::filesystem::path());
  }
}

TEST_F(SwitcherControllerTest, CancelledBrowseChangesNothing) {
  const auto rom = MakeRom("rom.gba", RomEdition::Traditional);
  Accept(rom);
  const SignatureBytes signature = controller_.signature_bytes();
  controller_.BrowseForRom();  // no answer: the dialog was cancelled
  EXPECT_EQ(view_.calls, (std::vector<ViewCall>{kAsk}));
  EXPECT_EQ(controller_.selected_rom_path(), rom);
  EXPECT_EQ(controller_.signature_bytes(), signature);
}

TEST_F(SwitcherControllerTest, RejectedBrowseKeepsTheHeldRomForConvert) {
  const auto first = MakeRom("first.gba", RomEdition::Simplified);
  const auto wrong = MakeRom("wrong.gba", RomEdition::Unrecognised);
  const Bytes wrong_before = ReadFileBytes(wrong);
  Accept(first);

  view_.answers.push_back(wrong);
  controller_.BrowseForRom();
  EXPECT_EQ(view_.calls,
            (std::vector<ViewCall>{kAsk, Warning(kUnrecognisedText)}));
  EXPECT_EQ(controller_.selected_rom_path(), first);
  const SignatureBytes& read = controller_.signature_bytes();
  EXPECT_EQ(Bytes(read.begin(), read.end()),
            ReadFileBytes(wrong, SignatureOffset, 3));

  controller_.ChooseScript(2);
  controller_.ConvertSelectedRom();
  EXPECT_EQ(InspectRom(first), RomEdition::Traditional);
  EXPECT_EQ(ReadFileBytes(wrong), wrong_before);
}

TEST_F(SwitcherControllerTest,
       ConvertShowsStatusOnceWrittenThenConfirmsAndQuits) {
  const auto rom = MakeRom("rom.gba", RomEdition::Traditional);
  Accept(rom);
  RomEdition at_status = RomEdition::Unrecognised;
  view_.on_status = [&] { at_status = InspectRom(rom); };

  controller_.ChooseScript(2);
  controller_.ChooseScript(1);  // the last choice counts
  controller_.ConvertSelectedRom();

  EXPECT_EQ(view_.calls, (std::vector<ViewCall>{Status("目前此ROM为简体中文"),
                                                {"message", "转换成功", "提 示",
                                                 MessageKind::Information},
                                                {"quit"}}));
  EXPECT_EQ(at_status, RomEdition::Simplified);
  EXPECT_TRUE(ExamineRom(rom).mismatched_sites.empty());
}

TEST_F(SwitcherControllerTest, RefusedConversionRaisesAndShowsNoSuccess) {
  const auto rom = MakeRom("rom.gba", RomEdition::Simplified);
  Accept(rom);
  MakeRom("rom.gba", RomEdition::NotEnhanced);  // replaced since accepted
  const Bytes before = ReadFileBytes(rom);
  controller_.ChooseScript(2);
  EXPECT_THROW(controller_.ConvertSelectedRom(), RomError);
  EXPECT_TRUE(view_.calls.empty());
  EXPECT_EQ(ReadFileBytes(rom), before);
}

TEST_F(SwitcherControllerTest, ChineseFileNameWorksEndToEnd) {
  const auto rom = MakeRom(std::filesystem::path(u8"测试 简体版.gba"),
                           RomEdition::Simplified);
  view_.answers.push_back(rom);
  controller_.BrowseForRom();
  controller_.ChooseScript(2);
  controller_.ConvertSelectedRom();
  ASSERT_GE(view_.calls.size(), 3u);
  EXPECT_EQ(view_.calls[2], (ViewCall{"path", PathToUtf8(rom)}));
  EXPECT_NE(view_.calls[2].text.find("测试 简体版.gba"), std::string::npos);
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
}

TEST_F(SwitcherControllerTest, AboutAndExit) {
  controller_.ShowAbout();
  controller_.ExitTool();
  EXPECT_EQ(view_.calls,
            (std::vector<ViewCall>{{"message",
                                    "QorvaneADVANCELumek汉化中文版\r"
                                    "       简繁体切换工具\r"
                                    "\r"
                                    "      作者：Lumek汉化组\r"
                                    "        2003年9月9日\r"
                                    "         Lumek汉化网\r"
                                    " https://www.example.org/",
                                    "说 明", MessageKind::Information},
                                   {"quit"}}));
}

}  // namespace
}  // namespace qorvane
