#include "window/win32/form1.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

using namespace std::string_literals;

// The window, shown, its modal dialogs answered in place. Logs what they were
// asked: a message box's title, style (MB_OK with 16 error, 48 exclamation or
// 64 information) and first line; the open dialog's title, filter and room
// for the name, answered with `rom`, a simplified image made then.
struct Window : Win32Dialogs {
  Window() { form.Show(); }
  int ShowMessageBox(HWND owner, const std::wstring& text,
                     const std::wstring& title, UINT style) override {
    EXPECT_EQ(owner, form.hwnd());
    log += title + L" " + std::to_wstring(style) + L" " +
           text.substr(0, text.find(L'\r')) + L"\n";
    last_text = text;
    return IDOK;
  }
  bool ShowOpenDialog(OPENFILENAMEW& asked, DWORD& /*error*/) override {
    EXPECT_EQ(asked.hwndOwner, form.hwnd());
    log += asked.lpstrTitle + L" "s + std::wstring(asked.lpstrFilter, 27) +
           L" " + std::to_wstring(asked.nMaxFile) + L"\n";
    testing::RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(rom);
    asked.lpstrFile[rom.native().copy(asked.lpstrFile, asked.nMaxFile - 1)] = 0;
    return true;
  }
  testing::Scratch dir;
  std::filesystem::path rom = dir / L"样本.gba";
  std::wstring log, last_text;
  Form1 form{*this,
             [this](int status) { log += L"end " + std::to_wstring(status); }};
};

std::wstring Text(HWND window) {
  wchar_t text[256] = {};
  return {text, static_cast<std::size_t>(::GetWindowTextW(window, text, 256))};
}
std::wstring Describe(const LOGFONTW& f) {
  return f.lfFaceName + (L" " + std::to_wstring(f.lfHeight)) + L" " +
         std::to_wstring(f.lfWeight) + L" " + std::to_wstring(f.lfCharSet);
}
void Click(HWND control) { ::SendMessageW(control, BM_CLICK, 0, 0); }

TEST(Win32Form1Test, LayoutCaptionsFontsAndIdsAtTwoDpisFocusAndTabOrder) {
  Window w;
  Form1& f = w.form;
  const struct {
    HWND control;
    const wchar_t* caption;
    std::array<LONG, 4> at[2];  // left, top, width, height at 96 and 144 DPI
  } controls[] = {
      // clang-format off
      {f.Frame1, L"简繁体切换", {{{8, 8, 249, 41}}, {{12, 12, 374, 62}}}},
      {f.Option1, L"简体中文", {{{24, 16, 17, 17}}, {{36, 24, 26, 26}}}},
      {f.Label1, L"简体中文", {{{48, 16, 65, 17}}, {{72, 24, 98, 26}}}},
      {f.Option2, L"繁体中文", {{{144, 16, 17, 17}}, {{216, 24, 26, 26}}}},
      {f.Label2, L"繁体中文", {{{168, 16, 65, 17}}, {{252, 24, 98, 26}}}},
      {f.Text1, L"", {{{8, 59, 193, 20}}, {{12, 88, 290, 30}}}},
      {f.Command4, L"浏览..", {{{208, 56, 49, 25}}, {{312, 84, 74, 38}}}},
      {f.Command1, L"转 换", {{{8, 88, 73, 25}}, {{12, 132, 110, 38}}}},
      {f.Command3, L"说 明", {{{96, 88, 73, 25}}, {{144, 132, 110, 38}}}},
      {f.Command2, L"退 出", {{{184, 88, 73, 25}}, {{276, 132, 110, 38}}}},
      // clang-format on
  };
  for (const UINT dpi : {96u, 144u}) {
    RECT r{10, 10, 500, 300};  // where the system suggests it goes
    if (dpi != 96) {
      ::SendMessageW(f.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&r));
    }
    ::GetClientRect(f.hwnd(), &r);
    EXPECT_EQ(r.right * 1000 + r.bottom, dpi == 96 ? 268121 : 402182);
    for (const auto& c : controls) {
      SCOPED_TRACE(::testing::Message() << dpi << " dpi, " << c.caption);
      ::GetWindowRect(c.control, &r);  // in its container, so a wrong one shows
      ::MapWindowPoints(nullptr, ::GetParent(c.control),
                        reinterpret_cast<POINT*>(&r), 2);
      EXPECT_EQ((std::array{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                c.at[dpi == 144]);
      EXPECT_EQ(Text(c.control), c.caption);
      EXPECT_GT(::GetDlgCtrlID(c.control), IDCANCEL) << "Enter, Esc: ids 1, 2";
      LOGFONTW font{};
      ::GetObjectW(
          // NOLINTNEXTLINE(performance-no-int-to-ptr): the message's handle
          reinterpret_cast<HFONT>(::SendMessageW(c.control, WM_GETFONT, 0, 0)),
          sizeof font, &font);
      const bool label = c.control == f.Label1 || c.control == f.Label2;
      EXPECT_EQ(Describe(font), !label      ? Describe(MessageFont(dpi))
                                : dpi == 96 ? L"宋体 -14 400 134"
                                            : L"宋体 -21 400 134");
    }
  }
  std::vector<HWND> order{::GetFocus()};  // from the focus, once round
  while (order.size() < 8) {
    order.push_back(::GetNextDlgTabItem(f.hwnd(), order.back(), FALSE));
  }
  EXPECT_EQ(order,
            (std::vector<HWND>{f.Command1, f.Command2, f.Command3, f.Option1,
                               f.Option2, f.Text1, f.Command4, f.Command1}));
  ::SendMessageW(f.hwnd(), WM_CLOSE, 0, 0);  // the close box: no question
  EXPECT_EQ(w.log, L"end 0");
}

// A conversion that works, from the real dialog to the exit status, is the
// end-to-end run's (e2e.sh).
TEST(Win32Form1Test, EachControlReachesItsActionAndAFileErrorEndsTheProgram) {
  Window w, exit;
  Form1& f = w.form;
  Click(f.Command1);  // no ROM yet
  Click(f.Command3);
  Click(f.Option1);
  EXPECT_EQ(f.controller().target_script(), 1);
  Click(f.Option2);
  EXPECT_EQ(f.controller().target_script(), 2);
  EXPECT_EQ(::SendMessageW(f.Option1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Click(f.Command4);
  EXPECT_EQ(Text(f.Frame1), L"目前此ROM为简体中文");
  EXPECT_EQ(Text(f.Text1), w.rom.wstring());
  std::filesystem::remove(w.rom);
  Click(f.Command1);
  EXPECT_EQ(w.log,
            L"警 告 48 请先选择QorvaneADVANCE\n"
            L"说 明 64 QorvaneADVANCELumek汉化中文版\n"
            L"打开QorvaneROM文件 QorvaneROM文件(*.gba)\0*.gba\0\0 32768\n"s
            L"错 误 16 处理ROM文件时出错，程序将退出。\nend 1");
  EXPECT_NE(w.last_text.find(w.rom.wstring()), std::wstring::npos);
  Click(exit.form.Command2);
  EXPECT_EQ(exit.log, L"end 0");
}

}  // namespace
}  // namespace qorvane
