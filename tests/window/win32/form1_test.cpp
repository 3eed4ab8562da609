#include "window/win32/form1.h"

#include <gtest/gtest.h>

#include <cwchar>

#include "rom/win32_text.h"
#include "tests/window/form1_checks.h"
#include "window/win32/win32_dpi.h"

namespace qorvane {
namespace {

// The window with its modal dialogs answered in place.
struct Win32Window : testing::Form1Log, Win32Dialogs {
  Win32Window() { form.Show(); }
  int ShowMessageBox(HWND owner, const std::wstring& text,
                     const std::wstring& title, UINT style) override {
    EXPECT_EQ(owner, form.hwnd());
    dialogs.push_back(testing::Entry(static_cast<int>(style),
                                     Utf16ToUtf8(title), Utf16ToUtf8(text)));
    return IDOK;
  }
  bool ShowOpenDialog(OPENFILENAMEW& asked, DWORD& /*error*/) override {
    EXPECT_EQ(asked.hwndOwner, form.hwnd());
    std::wstring filter;  // its NUL-ended parts, each "|"-ended
    for (auto* p = asked.lpstrFilter; *p; p += std::wcslen(p) + 1) {
      filter += p + std::wstring(L"|");
    }
    EXPECT_EQ(Utf16ToUtf8(filter), std::string(texts::kOpenDialogFilter) + '|');
    dialogs.push_back(testing::Entry(testing::kOpenDialog,
                                     Utf16ToUtf8(asked.lpstrTitle),
                                     Utf16ToUtf8(asked.lpstrFile)));
    asked.lpstrFile[file_to_open.native().copy(asked.lpstrFile,
                                               asked.nMaxFile - 1)] = 0;
    return true;
  }
  HWND Handle(form1::Id id) {
    return id == form1::kForm ? form.hwnd() : form.control(id);
  }
  HWND Parent(form1::Id id) { return ::GetParent(Handle(id)); }
  std::array<int, 4> Box(form1::Id id) {  // the form's: its client area
    RECT r{};
    if (id == form1::kForm) {
      ::GetClientRect(form.hwnd(), &r);
    } else {
      ::GetWindowRect(Handle(id), &r);
      ::MapWindowPoints(nullptr, Parent(id), reinterpret_cast<POINT*>(&r), 2);
    }
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  std::string Text(form1::Id id) {
    wchar_t text[256] = {};
    ::GetWindowTextW(Handle(id), text, 256);
    return Utf16ToUtf8(text);
  }
  std::vector<HWND> TabRound(std::size_t count) {
    std::vector<HWND> round{::GetFocus()};
    while (round.size() < count) {
      round.push_back(::GetNextDlgTabItem(form.hwnd(), round.back(), FALSE));
    }
    return round;
  }
  void Click(form1::Id id) { ::SendMessageW(Handle(id), BM_CLICK, 0, 0); }
  void Close() { ::SendMessageW(form.hwnd(), WM_CLOSE, 0, 0); }
  Form1 form{*this, [this](int status) { ends.push_back(status); }};
};

std::string Font(const LOGFONTW& f) {
  return Utf16ToUtf8(f.lfFaceName) + " " + std::to_string(f.lfHeight) + " " +
         std::to_string(f.lfWeight) + " " + std::to_string(f.lfCharSet);
}

// Also at 144 DPI: the client area and Command1 there, and the fonts.
TEST(Win32Form1Test, LayoutFontsAndFrameAtTwoDpis) {
  Win32Window w;
  testing::ExpectLayout(w);
  HWND form = w.form.hwnd();
  // No taskbar button: owned by a hidden window, and not an app window.
  HWND owner = ::GetWindow(form, GW_OWNER);
  EXPECT_TRUE(owner != nullptr && !::IsWindowVisible(owner));
  EXPECT_FALSE(::GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(::GetWindowLongPtrW(form, GWL_STYLE) &
                (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_SYSMENU);
  for (const UINT dpi : {96u, 144u}) {
    if (dpi != 96) {
      RECT suggested{10, 10, 500, 300};
      ::SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
      EXPECT_EQ(
          std::pair(w.Box(form1::kForm), w.Box(form1::Command1)),
          std::pair(std::array{0, 0, 402, 182}, std::array{12, 132, 110, 38}));
    }
    for (const form1::Control& c : form1::kControls) {
      HWND control = w.form.control(c.id);
      EXPECT_GT(::GetDlgCtrlID(control), IDCANCEL) << "Enter, Esc: ids 1, 2";
      LOGFONTW font{};
      ::GetObjectW(
          // NOLINTNEXTLINE(performance-no-int-to-ptr): the message's handle
          reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)),
          sizeof font, &font);
      EXPECT_EQ(Font(font),
                c.kind != form1::Kind::Label
                    ? Font(MessageFont(dpi))
                    : (dpi == 96 ? "宋体 -14 400 134" : "宋体 -21 400 134"));
    }
  }
}

// A conversion through the real dialog is the end-to-end run's (e2e.sh).
TEST(Win32Form1Test, ActionsAndEnds) {
  testing::ExpectActionsAndEnds<Win32Window>();
}

}  // namespace
}  // namespace qorvane
