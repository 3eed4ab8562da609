#include "window/win32/form1.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

using Box = std::tuple<HWND, std::wstring, std::wstring, UINT>;
// Owner, title, filter, initial name, room for the name.
using Asked = std::tuple<HWND, std::wstring, std::wstring, std::wstring, DWORD>;

// Answers the modal dialogs in place and records what they were asked.
struct FakeDialogs : Win32Dialogs {
  int ShowMessageBox(HWND owner, const std::wstring& text,
                     const std::wstring& title, UINT style) override {
    boxes.emplace_back(owner, text, title, style);
    return IDOK;
  }
  bool ShowOpenDialog(OPENFILENAMEW& asked, DWORD& /*error*/) override {
    request = {asked.hwndOwner, asked.lpstrTitle,
               std::wstring(asked.lpstrFilter, 27), asked.lpstrFile,
               asked.nMaxFile};
    asked.lpstrFile[answer.copy(asked.lpstrFile, asked.nMaxFile - 1)] = 0;
    return !answer.empty();  // empty: cancel
  }
  std::vector<Box> boxes;
  std::wstring answer;
  Asked request;
};

std::wstring Text(HWND window) {
  wchar_t text[256] = {};
  return {text, static_cast<std::size_t>(::GetWindowTextW(window, text, 256))};
}

// Left, top, width, height in the container, so a wrong container shows.
std::array<int, 4> Placement(HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&r),
                    2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

class Win32Form1Test : public ::testing::Test {
 protected:
  Win32Form1Test() { form_.Show(); }
  static void Click(HWND control) { ::SendMessageW(control, BM_CLICK, 0, 0); }
  std::filesystem::path Rom() {
    const auto path = scratch_ / L"样本.gba";
    testing::RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(path);
    dialogs_.answer = path.wstring();
    return path;
  }
  testing::Scratch scratch_;
  FakeDialogs dialogs_;
  std::optional<int> ended_;
  Form1 form_{dialogs_, [this](int status) { ended_ = status; }};
};

TEST_F(Win32Form1Test, LayoutCaptionsFontsAtTwoDpisFocusAndTabOrder) {
  const struct {
    HWND control;
    const wchar_t* caption;
    int at[2][4];  // pixels at 96 and at 144 DPI
  } controls[] = {
      // clang-format off
      {form_.Frame1, L"简繁体切换", {{8, 8, 249, 41}, {12, 12, 374, 62}}},
      {form_.Option1, L"简体中文", {{24, 16, 17, 17}, {36, 24, 26, 26}}},
      {form_.Label1, L"简体中文", {{48, 16, 65, 17}, {72, 24, 98, 26}}},
      {form_.Option2, L"繁体中文", {{144, 16, 17, 17}, {216, 24, 26, 26}}},
      {form_.Label2, L"繁体中文", {{168, 16, 65, 17}, {252, 24, 98, 26}}},
      {form_.Text1, L"", {{8, 59, 193, 20}, {12, 88, 290, 30}}},
      {form_.Command4, L"浏览..", {{208, 56, 49, 25}, {312, 84, 74, 38}}},
      {form_.Command1, L"转 换", {{8, 88, 73, 25}, {12, 132, 110, 38}}},
      {form_.Command3, L"说 明", {{96, 88, 73, 25}, {144, 132, 110, 38}}},
      {form_.Command2, L"退 出", {{184, 88, 73, 25}, {276, 132, 110, 38}}},
      // clang-format on
  };
  for (const UINT dpi : {96u, 144u}) {
    RECT suggested{10, 10, 500, 300}, client;
    if (dpi != 96) {
      ::SendMessageW(form_.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
    }
    ::GetClientRect(form_.hwnd(), &client);
    EXPECT_EQ(client.right * 1000 + client.bottom, dpi == 96 ? 268121 : 402182);
    for (const auto& c : controls) {
      SCOPED_TRACE(::testing::Message() << dpi << " dpi, " << c.caption);
      EXPECT_EQ(Placement(c.control), std::to_array(c.at[dpi == 96 ? 0 : 1]));
      EXPECT_EQ(Text(c.control), c.caption);
      EXPECT_GT(::GetDlgCtrlID(c.control), IDCANCEL) << "Enter, Esc: ids 1, 2";
      LOGFONTW font{}, system = MessageFont(dpi);
      ::GetObjectW(
          reinterpret_cast<HFONT>(::SendMessageW(c.control, WM_GETFONT, 0, 0)),
          sizeof font, &font);
      const bool label = c.control == form_.Label1 || c.control == form_.Label2;
      EXPECT_STREQ(font.lfFaceName, label ? L"宋体" : system.lfFaceName);
      EXPECT_EQ(font.lfHeight,
                label ? (dpi == 96 ? -14 : -21) : system.lfHeight);
      EXPECT_EQ(font.lfWeight * 1000 + font.lfCharSet,
                label ? 400134 : system.lfWeight * 1000 + system.lfCharSet);
    }
  }
  EXPECT_EQ(Text(form_.hwnd()), L"QorvaneADVANCE中文版 简繁体切换工具");
  EXPECT_EQ(::GetFocus(), form_.Command1);
  std::vector<HWND> order{form_.Command1};
  while (order.size() < 7) {
    order.push_back(::GetNextDlgTabItem(form_.hwnd(), order.back(), FALSE));
  }
  EXPECT_EQ(order,
            (std::vector<HWND>{form_.Command1, form_.Command2, form_.Command3,
                               form_.Option1, form_.Option2, form_.Text1,
                               form_.Command4}));
}

TEST_F(Win32Form1Test, EachControlReachesItsAction) {
  Click(form_.Command1);  // no ROM yet
  Click(form_.Command3);
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[0],
            Box(form_.hwnd(), L"请先选择QorvaneADVANCE\rLumek汉化中文版ROM文件",
                L"警 告", MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(std::get<2>(dialogs_.boxes[1]), L"说 明");

  Click(form_.Option1);
  EXPECT_EQ(form_.controller().target_script(), 1);
  Click(form_.Option2);
  EXPECT_EQ(form_.controller().target_script(), 2);
  EXPECT_EQ(::SendMessageW(form_.Option1, BM_GETCHECK, 0, 0), BST_UNCHECKED);

  const auto rom = Rom();
  Click(form_.Command4);
  EXPECT_EQ(dialogs_.request,
            Asked(form_.hwnd(), L"打开QorvaneROM文件",
                  std::wstring(L"QorvaneROM文件(*.gba)\0*.gba\0\0", 27), L"",
                  32768));  // room for long paths
  EXPECT_EQ(Text(form_.Frame1), L"目前此ROM为简体中文");
  EXPECT_EQ(Text(form_.Text1), rom.wstring());

  Click(form_.Command1);
  EXPECT_EQ(Text(form_.Frame1), L"目前此ROM为繁体中文");
  EXPECT_EQ(dialogs_.boxes.back(), Box(form_.hwnd(), L"转换成功", L"提 示",
                                       MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(ended_, 0);
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
}

TEST_F(Win32Form1Test, ExitAndTheCloseBoxEndAtOnce) {
  Click(form_.Command2);
  EXPECT_EQ(ended_, 0);
  std::optional<int> closed;
  Form1 other(dialogs_, [&closed](int status) { closed = status; });
  ::SendMessageW(other.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(closed, 0);
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(Win32Form1Test, AFileErrorIsReportedAndEndsWithAFailureStatus) {
  const auto rom = Rom();
  Click(form_.Command4);
  Click(form_.Option2);
  std::filesystem::remove(rom);
  Click(form_.Command1);
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  const auto& [owner, text, title, style] = dialogs_.boxes[0];
  EXPECT_EQ(title, L"错 误");
  EXPECT_EQ(style, UINT{MB_OK | MB_ICONERROR});
  EXPECT_EQ(text.rfind(L"处理ROM文件时出错，程序将退出。\r", 0), 0u);
  EXPECT_NE(text.find(rom.wstring()), std::wstring::npos);
  EXPECT_EQ(ended_, 1);
}

}  // namespace
}  // namespace qorvane
