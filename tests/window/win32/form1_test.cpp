#include "window/win32/form1.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "rom/win32_text.h"
#include "switcher/switcher_texts.h"
#include "tests/support/scratch.h"
#include "tests/window/form1_pixels.h"
#include "window/win32/win32_dpi.h"

namespace qorvane {
namespace {

using namespace std::string_literals;

// A message box's title, style (MB_OK with 16 error, 48 exclamation or 64
// information) and first line, as the log below holds it.
std::wstring Box(std::string_view title, UINT style, std::string_view text) {
  return Utf8ToUtf16(title) + L" " + std::to_wstring(style) + L" " +
         Utf8ToUtf16(text.substr(0, text.find('\r'))) + L"\n";
}

// The window, shown, its modal dialogs answered in place. Logs what they were
// asked (message boxes as Box gives them; the open dialog's title, filter and
// room for the name) and the program's end; the open dialog is answered with
// `rom`, a simplified image made then.
struct Window : Win32Dialogs {
  Window() { form.Show(); }
  int ShowMessageBox(HWND owner, const std::wstring& text,
                     const std::wstring& title, UINT style) override {
    EXPECT_EQ(owner, form.hwnd());
    log += Box(Utf16ToUtf8(title), style, Utf16ToUtf8(text));
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
  HWND operator[](form1::Id id) const { return form.control(id); }
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
std::wstring Font(HWND control) {
  LOGFONTW font{};
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the message's handle
  auto* handle =
      reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  ::GetObjectW(handle, sizeof font, &font);
  return Describe(font);
}
void Click(HWND control) { ::SendMessageW(control, BM_CLICK, 0, 0); }

TEST(Win32Form1Test, LayoutCaptionsFontsAndIdsAtTwoDpisFocusAndTabOrder) {
  Window w;
  HWND form = w.form.hwnd();
  EXPECT_EQ(Text(form), Utf8ToUtf16(texts::kWindowTitle));
  // No taskbar button: owned by a hidden window, and not an app window.
  HWND owner = ::GetWindow(form, GW_OWNER);
  EXPECT_TRUE(owner != nullptr && !::IsWindowVisible(owner));
  EXPECT_EQ(::GetWindowLongPtrW(form, GWL_STYLE) &
                (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_SYSMENU);
  EXPECT_FALSE(::GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  for (const UINT dpi : {96u, 144u}) {
    RECT r{10, 10, 500, 300};  // where the system suggests it goes
    if (dpi != 96) {
      ::SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&r));
    }
    // At 96 DPI the pixels written out apart from the table; at 144 DPI
    // the table's twips.
    const auto px = [dpi](int pixels, int twips) {
      return dpi == 96 ? pixels : form1::TwipsToPixels(twips, dpi);
    };
    ::GetClientRect(form, &r);
    EXPECT_EQ(std::pair(r.right, r.bottom),
              std::pair(px(testing::kClientPixels[0], form1::kClientWidth),
                        px(testing::kClientPixels[1], form1::kClientHeight)));
    for (const form1::Control& c : form1::kControls) {
      SCOPED_TRACE(::testing::Message() << dpi << " dpi, " << c.name);
      HWND control = w[c.id];
      EXPECT_EQ(::GetParent(control),
                c.container == form1::kForm ? form : w[c.container]);
      ::GetWindowRect(control, &r);  // in its container
      ::MapWindowPoints(nullptr, ::GetParent(control),
                        reinterpret_cast<POINT*>(&r), 2);
      const auto& at = testing::kPixelBoxes[c.id];
      EXPECT_EQ((std::array<int, 4>{r.left, r.top, r.right - r.left,
                                    r.bottom - r.top}),
                (std::array{px(at[0], c.box.left), px(at[1], c.box.top),
                            px(at[2], c.box.width), px(at[3], c.box.height)}));
      const bool option = c.kind == form1::Kind::OptionButton;
      EXPECT_EQ(
          Text(control),
          Utf8ToUtf16(
              form1::kControls[option ? form1::LabelOf(c.id) : c.id].caption));
      EXPECT_GT(::GetDlgCtrlID(control), IDCANCEL) << "Enter, Esc: ids 1, 2";
      EXPECT_EQ(Font(control),
                c.kind != form1::Kind::Label
                    ? Describe(MessageFont(dpi))
                    : (dpi == 96 ? L"宋体 -14 400 134" : L"宋体 -21 400 134"));
    }
  }
  std::vector<HWND> order{::GetFocus()}, expected;  // from the focus, round
  for (const form1::Id id : testing::FocusOrder()) expected.push_back(w[id]);
  expected.push_back(expected[0]);
  while (order.size() < expected.size())
    order.push_back(::GetNextDlgTabItem(form, order.back(), FALSE));
  EXPECT_EQ(order, expected);
  ::SendMessageW(form, WM_CLOSE, 0, 0);  // the close box: no question
  EXPECT_EQ(w.log, L"end 0");
  EXPECT_EQ(w.form.exit_status(), 0);
}

// A conversion that works, from the real dialog to the exit status, is the
// end-to-end run's (e2e.sh).
TEST(Win32Form1Test, EachControlReachesItsActionAndAFileErrorEndsTheProgram) {
  Window w, exit;
  Click(w[form1::Command1]);  // no ROM yet
  Click(w[form1::Command3]);
  Click(w[form1::Option1]);
  EXPECT_EQ(w.form.controller().target_script(), 1);
  Click(w[form1::Option2]);
  EXPECT_EQ(w.form.controller().target_script(), 2);
  EXPECT_EQ(::SendMessageW(w[form1::Option1], BM_GETCHECK, 0, 0),
            BST_UNCHECKED);
  Click(w[form1::Command4]);
  EXPECT_EQ(Text(w[form1::Frame1]), Utf8ToUtf16(texts::kStatusSimplified));
  EXPECT_EQ(Text(w[form1::Text1]), w.rom.wstring());
  std::filesystem::remove(w.rom);
  Click(w[form1::Command1]);
  EXPECT_EQ(w.log,
            Box(texts::kWarningTitle, 48, texts::kNoRomWarning) +
                Box(texts::kAboutTitle, 64, texts::kAboutText) +
                Utf8ToUtf16(texts::kOpenDialogTitle) + L" " +
                OpenDialogFilter(texts::kOpenDialogFilter).substr(0, 27) +
                L" 32768\n" +
                Box(texts::kErrorTitle, 16, texts::kFileErrorLead) + L"end 1");
  EXPECT_NE(w.last_text.find(w.rom.wstring()), std::wstring::npos);
  EXPECT_EQ(w.form.exit_status(), 1);
  Click(exit[form1::Command2]);
  EXPECT_EQ(exit.log, L"end 0");
}

}  // namespace
}  // namespace qorvane
