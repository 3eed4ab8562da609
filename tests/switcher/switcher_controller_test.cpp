#include "switcher/switcher_controller.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using Shown = std::vector<std::string>;

// Records every call, in order, as one line of text; answers the open
// dialog with `answer`.
class FakeView : public SwitcherView {
 public:
  void ShowMessage(std::string_view text, std::string_view title,
                   MessageKind kind) override {
    Record(kind == MessageKind::Warning ? "warning " : "info ", title, text);
  }
  void SetStatus(std::string_view text) override {
    Record("status", "", text);
    if (on_status) on_status();
  }
  void SetPathText(std::string_view text) override { Record("path", "", text); }
  std::filesystem::path AskOpenFile(std::string_view title,
                                    std::string_view filter) override {
    Record("ask ", title, filter);
    return answer;
  }
  void QuitTool() override { shown.push_back("quit"); }

  Shown shown;
  std::filesystem::path answer;
  std::function<void()> on_status;

 private:
  void Record(std::string_view op, std::string_view title,
              std::string_view text) {
    shown.push_back(std::string(op) + std::string(title) + ": " +
                    std::string(text));
  }
};

// Every message as the user reads it: the spacing is part of the text.
const std::string kAsk = "ask 打开QorvaneROM文件: QorvaneROM文件(*.gba)|*.gba";
const std::string kUnrecognised =
    "warning 警 告: 您选择的不是“QorvaneADVANCE”的ROM\r       "
    "请选择正确的ROM文件";
const std::string kNotEnhanced =
    "warning 警 告: 您选择的不是Lumek汉化简繁增强版的ROM\r        "
    "请选择正确的ROM文件";
const std::string kNoRom =
    "warning 警 告: 请先选择QorvaneADVANCE\rLumek汉化中文版ROM文件";
const std::string kNoScript = "warning 警 告: 请选择要转换的字体";
const std::string kSimplified = "status: 目前此ROM为简体中文";
const std::string kTraditional = "status: 目前此ROM为繁体中文";
const std::string kConverted = "info 提 示: 转换成功";

class SwitcherControllerTest : public ::testing::Test {
 protected:
  SwitcherControllerTest() { controller_.Start(); }

  Shown Run(const std::function<void(SwitcherController&)>& action) {
    view_.shown.clear();
    action(controller_);
    return view_.shown;
  }
  // Browses to `path` (empty: cancels).
  Shown Browse(const std::filesystem::path& path) {
    view_.answer = path;
    return Run(&SwitcherController::BrowseForRom);
  }
  Shown Convert() { return Run(&SwitcherController::ConvertSelectedRom); }

  testing::Scratch dir_;
  FakeView view_;
  SwitcherController controller_{view_};
};

TEST_F(SwitcherControllerTest, ConvertAsksForARomFirstThenAScript) {
  EXPECT_EQ(Convert(), Shown{kNoRom});
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  const Bytes before = ReadFileBytes(rom);
  Browse(rom);
  EXPECT_EQ(Convert(), Shown{kNoScript});
  EXPECT_EQ(ReadFileBytes(rom), before);
}

TEST_F(SwitcherControllerTest, BrowseAcceptsOnlyEnhancedEditions) {
  const auto chinese = dir_ / std::filesystem::path(u8"测试 简体版.gba");
  testing::RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(chinese);
  const auto traditional = dir_.MakeRom(RomEdition::Traditional);
  const std::vector<std::pair<std::filesystem::path, Shown>> cases = {
      {dir_.MakeRom(RomEdition::NotEnhanced), {kAsk, kNotEnhanced}},
      {dir_.MakeRom(RomEdition::Unrecognised), {kAsk, kUnrecognised}},
      {chinese, {kAsk, kSimplified, "path: " + PathToUtf8(chinese)}},
      {{}, {kAsk}},  // cancelled
      {dir_ / "missing.gba", {kAsk, kUnrecognised}},
      {traditional, {kAsk, kTraditional, "path: " + PathToUtf8(traditional)}},
  };
  std::filesystem::path held;
  for (const auto& [rom, shown] : cases) {
    EXPECT_EQ(Browse(rom), shown) << rom;
    if (shown.size() == 3) held = rom;
    EXPECT_EQ(controller_.selected_rom_path(), held);
  }
  EXPECT_NE(cases[2].second[2].find("测试 简体版.gba"), std::string::npos);
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
  EXPECT_EQ(Convert(), (Shown{kSimplified, kConverted, "quit"}));
  EXPECT_EQ(ReadFileBytes(wrong), wrong_before);
}

TEST_F(SwitcherControllerTest, ConvertShowsStatusOnceWrittenThenConfirms) {
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  Browse(rom);
  RomEdition at_status = RomEdition::Unrecognised;
  view_.on_status = [&] { at_status = InspectRom(rom); };
  controller_.ChooseScript(2);
  EXPECT_EQ(Convert(), (Shown{kTraditional, kConverted, "quit"}));
  EXPECT_EQ(at_status, RomEdition::Traditional);
}

TEST_F(SwitcherControllerTest, RefusedConversionRaisesAndShowsNoSuccess) {
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  Browse(rom);
  testing::RomImageBuilder().Edition(RomEdition::NotEnhanced).WriteTo(rom);
  const Bytes before = ReadFileBytes(rom);
  controller_.ChooseScript(2);
  EXPECT_THROW(Convert(), RomError);
  EXPECT_TRUE(view_.shown.empty());
  EXPECT_EQ(ReadFileBytes(rom), before);
}

TEST_F(SwitcherControllerTest, AboutAndExit) {
  EXPECT_EQ(Run([](SwitcherController& c) {
              c.ShowAbout();
              c.ExitTool();
            }),
            (Shown{"info 说 明: QorvaneADVANCELumek汉化中文版\r"
                   "       简繁体切换工具\r"
                   "\r"
                   "      作者：Lumek汉化组\r"
                   "        2003年9月9日\r"
                   "         Lumek汉化网\r"
                   " https://www.example.org/",
                   "quit"}));
}

}  // namespace
}  // namespace qorvane
