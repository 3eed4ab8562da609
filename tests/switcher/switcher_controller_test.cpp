#include "switcher/switcher_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "tests/support/scratch.h"
#include "tests/switcher/fake_view.h"

namespace qorvane {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::ViewCall;

// Every message, written out as the user reads it: the spacing is part of
// the text.
const ViewCall kAsk{"ask", "QorvaneROM文件(*.gba)|*.gba", "打开QorvaneROM文件"};
const ViewCall kUnrecognised = testing::Warning(
    "您选择的不是“QorvaneADVANCE”的ROM\r       请选择正确的ROM文件");
const ViewCall kNotEnhanced = testing::Warning(
    "您选择的不是Lumek汉化简繁增强版的ROM\r        请选择正确的ROM文件");
const ViewCall kNoRom =
    testing::Warning("请先选择QorvaneADVANCE\rLumek汉化中文版ROM文件");
const ViewCall kNoScript = testing::Warning("请选择要转换的字体");
const ViewCall kSimplified{"status", "目前此ROM为简体中文"};
const ViewCall kTraditional{"status", "目前此ROM为繁体中文"};
const ViewCall kConverted{"message", "转换成功", "提 示",
                          MessageKind::Information};
const ViewCall kQuit{"quit"};

class SwitcherControllerTest : public ::testing::Test {
 protected:
  SwitcherControllerTest() { controller_.Start(); }

  // Browses to `path` (empty: cancels) and returns what the view showed.
  std::vector<ViewCall> Browse(const std::filesystem::path& path) {
    view_.answers.push_back(path);
    return Run([this] { controller_.BrowseForRom(); });
  }
  std::vector<ViewCall> Run(const std::function<void()>& action) {
    view_.calls.clear();
    action();
    return view_.calls;
  }
  std::vector<ViewCall> Convert() {
    return Run([this] { controller_.ConvertSelectedRom(); });
  }
  ViewCall PathText(const std::filesystem::path& path) {
    return {"path", PathToUtf8(path)};
  }

  testing::Scratch dir_;
  testing::FakeView view_;
  SwitcherController controller_{view_};
};

TEST_F(SwitcherControllerTest, ConvertAsksForARomFirstThenAScript) {
  EXPECT_EQ(Convert(), std::vector<ViewCall>{kNoRom});
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  const Bytes before = ReadFileBytes(rom);
  Browse(rom);
  EXPECT_EQ(Convert(), std::vector<ViewCall>{kNoScript});
  EXPECT_EQ(ReadFileBytes(rom), before);
}

TEST_F(SwitcherControllerTest, BrowseAcceptsOnlyEnhancedEditions) {
  const auto held = dir_.MakeRom(RomEdition::Simplified);
  Browse(held);
  struct Case {
    std::filesystem::path rom;
    std::vector<ViewCall> shown;  // after the dialog
  };
  const auto simplified = dir_ / std::filesystem::path(u8"测试 简体版.gba");
  testing::RomImageBuilder()
      .Edition(RomEdition::Simplified)
      .WriteTo(simplified);
  const auto traditional = dir_.MakeRom(RomEdition::Traditional);
  const std::vector<Case> cases = {
      {dir_.MakeRom(RomEdition::NotEnhanced), {kNotEnhanced}},
      {dir_.MakeRom(RomEdition::Unrecognised), {kUnrecognised}},
      {std::filesystem::path(), {}},  // cancelled
      {simplified, {kSimplified, PathText(simplified)}},
      {traditional, {kTraditional, PathText(traditional)}},
  };
  for (const Case& c : cases) {
    const auto expected_held = c.shown.empty() || c.shown[0].op == "message"
                                   ? controller_.selected_rom_path()
                                   : c.rom;
    std::vector<ViewCall> expected{kAsk};
    expected.insert(expected.end(), c.shown.begin(), c.shown.end());
    EXPECT_EQ(Browse(c.rom), expected) << c.rom;
    EXPECT_EQ(controller_.selected_rom_path(), expected_held);
  }
  EXPECT_NE(PathText(simplified).text.find("测试 简体版.gba"),
            std::string::npos);
}

TEST_F(SwitcherControllerTest, RejectedBrowseKeepsTheHeldRomForConvert) {
  const auto first = dir_.MakeRom(RomEdition::Simplified);
  const auto wrong = dir_.MakeRom(RomEdition::NotEnhanced);
  const Bytes wrong_before = ReadFileBytes(wrong);
  Browse(first);
  Browse(wrong);
  EXPECT_EQ(controller_.signature_bytes(), kNotEnhancedSignature);
  controller_.ChooseScript(2);
  controller_.ChooseScript(1);  // the last choice counts
  EXPECT_EQ(Convert(), (std::vector<ViewCall>{kSimplified, kConverted, kQuit}));
  EXPECT_EQ(ReadFileBytes(wrong), wrong_before);
}

TEST_F(SwitcherControllerTest, ConvertShowsStatusOnceWrittenThenConfirms) {
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  Browse(rom);
  RomEdition at_status = RomEdition::Unrecognised;
  view_.on_status = [&] { at_status = InspectRom(rom); };
  controller_.ChooseScript(2);
  EXPECT_EQ(Convert(),
            (std::vector<ViewCall>{kTraditional, kConverted, kQuit}));
  EXPECT_EQ(at_status, RomEdition::Traditional);
}

TEST_F(SwitcherControllerTest, RefusedConversionRaisesAndShowsNoSuccess) {
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  Browse(rom);
  testing::RomImageBuilder().Edition(RomEdition::NotEnhanced).WriteTo(rom);
  const Bytes before = ReadFileBytes(rom);
  controller_.ChooseScript(2);
  EXPECT_THROW(Convert(), RomError);
  EXPECT_TRUE(view_.calls.empty());
  EXPECT_EQ(ReadFileBytes(rom), before);
}

TEST_F(SwitcherControllerTest, AboutAndExit) {
  EXPECT_EQ(Run([this] {
              controller_.ShowAbout();
              controller_.ExitTool();
            }),
            (std::vector<ViewCall>{{"message",
                                    "QorvaneADVANCELumek汉化中文版\r"
                                    "       简繁体切换工具\r"
                                    "\r"
                                    "      作者：Lumek汉化组\r"
                                    "        2003年9月9日\r"
                                    "         Lumek汉化网\r"
                                    " https://www.example.org/",
                                    "说 明", MessageKind::Information},
                                   kQuit}));
}

}  // namespace
}  // namespace qorvane
