#include "switcher/switcher_controller.h"

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "switcher/error_report.h"
#include "tests/support/scratch.h"
#include "text/text.h"

namespace qorvane {
namespace {

using Shown = std::vector<std::string>;
using C = SwitcherController;
using enum RomEdition;

// Logs every call, in order, as a line; answers the dialog with `answer`.
struct FakeView : SwitcherView {
  void ShowMessage(std::string_view text, std::string_view title,
                   MessageKind kind) override {
    Log(kind == MessageKind::Warning ? "warning " : "info ", title, text);
  }
  void SetStatus(std::string_view text) override { Log("status", "", text); }
  void SetPathText(std::string_view text) override { Log("path", "", text); }
  std::filesystem::path AskOpenFile(std::string_view title,
                                    const texts::FileFilter& filter) override {
    Log("ask ", title,
        std::string(filter.name) + ' ' + std::string(filter.description) + '|' +
            std::string(filter.pattern));
    return answer;
  }
  void QuitTool() override { shown.emplace_back("quit"); }
  void Log(std::string op, std::string_view title, std::string_view text) {
    shown.push_back(op.append(title).append(": ").append(text));
  }
  Shown shown;
  std::filesystem::path answer;
};

// Every message as the user reads it, in order: the spacing is part of the
// text. Only an enhanced edition is held; the held ROM is converted once a
// script is chosen, and the last choice counts (its bytes are the engine
// tests').
TEST(SwitcherControllerTest, AcceptsOnlyEnhancedEditionsConvertsAndQuits) {
  const std::string ask =
      "ask 打开QorvaneROM文件: QorvaneROM文件 QorvaneROM文件(*.gba)|*.gba";
  testing::Scratch dir;
  FakeView view;
  C controller(view);
  controller.Start();
  // What `action` showed; the open dialog answers `answer` (empty: cancels).
  const auto run = [&](void (C::*action)(), std::filesystem::path answer = {}) {
    view.answer = std::move(answer);
    (controller.*action)();
    return std::exchange(view.shown, {});
  };
  EXPECT_EQ(
      run(&C::ConvertSelectedRom),
      Shown{"warning 警 告: 请先选择QorvaneADVANCE\rLumek汉化中文版ROM文件"});
  const auto chinese = dir.MakeRom(Simplified, 0x100000, {},
                                   std::filesystem::path(u8"测试 简体版.gba"));
  const auto traditional = dir.MakeRom(Traditional);
  const std::pair<std::filesystem::path, Shown> browses[] = {
      {{}, {ask}},  // cancelled
      {chinese,
       {ask, "status: 目前此ROM为简体中文", "path: " + PathToUtf8(chinese)}},
      {dir.MakeRom(Unrecognised),
       {ask,
        "warning 警 告: 您选择的不是“QorvaneADVANCE”的ROM\r       "
        "请选择正确的ROM文件"}},
      {traditional,
       {ask, "status: 目前此ROM为繁体中文",
        "path: " + PathToUtf8(traditional)}},
      {dir.MakeRom(NotEnhanced),
       {ask,
        "warning 警 告: 您选择的不是Lumek汉化简繁增强版的ROM\r        "
        "请选择正确的ROM文件"}},
  };
  std::filesystem::path held;
  for (const auto& [rom, shown] : browses) {
    EXPECT_EQ(run(&C::BrowseForRom, rom), shown) << rom;
    if (shown.size() == 3) held = rom;
    EXPECT_EQ(controller.selected_rom_path(), held);
  }
  EXPECT_EQ(controller.signature_bytes(), (SignatureBytes{0x4A, 0x48, 0x60}));
  EXPECT_EQ(run(&C::ConvertSelectedRom),
            Shown{"warning 警 告: 请选择要转换的字体"});
  controller.ChooseScript(2);
  controller.ChooseScript(1);
  EXPECT_EQ(
      run(&C::ConvertSelectedRom),
      (Shown{"status: 目前此ROM为简体中文", "info 提 示: 转换成功", "quit"}));
  // A refused conversion raises and shows no success; the window reports it
  // under a lead line, naming the file (replaced since it was chosen).
  dir.MakeRom(NotEnhanced, 0x100000, {}, held.filename());
  try {
    run(&C::ConvertSelectedRom);
    ADD_FAILURE() << "converted";
  } catch (...) {
    EXPECT_EQ(FatalErrorText(std::current_exception()),
              "处理ROM文件时出错，程序将退出。\r拒绝转换文件“" +
                  PathToUtf8(held) +
                  "”：文件已不是简繁增强版的ROM（选定之后可能已被替换或修改）。"
                  "文件保持原样，未做任何改动。");
  }
  EXPECT_TRUE(view.shown.empty());
  EXPECT_EQ(run(&C::ShowAbout),
            Shown{std::string("info 说 明: ") + testing::kAboutText});
  controller.ExitTool();
  EXPECT_EQ(view.shown, Shown{"quit"});
}

}  // namespace
}  // namespace qorvane
