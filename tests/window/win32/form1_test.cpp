#include "window/win32/form1.h"

#include <gtest/gtest.h>
#include <process.h>

#include "tests/window/form1_checks.h"
#include "text/text.h"

namespace qorvane {
namespace {

struct Win32Window : testing::Form1Log, Win32Dialogs {
  Win32Window() { form.Show(); }
  int ShowMessageBox(HWND /*owner*/, const std::wstring& text,
                     const std::wstring& title, UINT style) override {
    const wchar_t icon = L" x?!i"[(style & MB_ICONMASK) >> 4];
    dialogs.push_back(Utf16ToUtf8(icon + (L" " + title) + L"|" + text));
    return IDOK;
  }
  bool ShowOpenDialog(OPENFILENAMEW& asked, DWORD& /*error*/) override {
    std::wstring shown = asked.lpstrTitle;  // and each string of the filter
    for (const wchar_t* f = asked.lpstrFilter; *f; f += wcslen(f) + 1)
      shown.append(L"|").append(f);
    dialogs.push_back(Utf16ToUtf8(shown));
    asked.lpstrFile[file_to_open.native().copy(asked.lpstrFile,
                                               asked.nMaxFile - 1)] = 0;
    return true;
  }
  HWND Handle(form1::Id id) {
    return id == form1::kOnForm ? form.hwnd() : form.control(id);
  }
  HWND Parent(form1::Id id) { return ::GetParent(Handle(id)); }
  std::array<int, 4> Box(form1::Id id) {  // the form's: its client area
    RECT r{};
    if (id == form1::kOnForm) {
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
  bool Checked(form1::Id id) {
    return ::SendMessageW(Handle(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void Close() { ::SendMessageW(form.hwnd(), WM_CLOSE, 0, 0); }
  Form1 form{*this, [this](int status) { ends.push_back(status); }};
};

// No taskbar button: owned by a hidden window. The labels' font.
TEST(Win32Form1Test, LayoutOwnerAndFont) {
  Win32Window w;
  testing::ExpectLayout(w);
  HWND owner = ::GetWindow(w.form.hwnd(), GW_OWNER);
  EXPECT_TRUE(owner != nullptr && !::IsWindowVisible(owner));
  LOGFONTW f{};
  ::GetObjectW(  // NOLINTNEXTLINE(performance-no-int-to-ptr): a handle
      reinterpret_cast<HFONT>(
          ::SendMessageW(w.Handle(form1::Label1), WM_GETFONT, 0, 0)),
      sizeof f, &f);
  EXPECT_EQ(std::tuple(Utf16ToUtf8(f.lfFaceName), f.lfHeight, f.lfCharSet),
            std::tuple("宋体", -14, GB2312_CHARSET));  // 10.5 points
}

TEST(Win32Form1Test, WiringDialogsAndEnds) {
  testing::ExpectWiringAndEnds<Win32Window>(
      "打开QorvaneROM文件|QorvaneROM文件(*.gba)|*.gba");
}

// The real program, used through its real dialogs (e2e.sh, in the build
// folder): a control of the window titled `title`, found by its class and
// its caption (or "#" and its id) within 30 s.
HWND Find(const char* title, const char* text,
          const wchar_t* kind = L"Button") {
  struct Wanted {
    std::wstring kind, text;
    HWND found = nullptr;
  } wanted{kind, Utf8ToUtf16(text)};
  const WNDENUMPROC match = [](HWND w, LPARAM at) -> BOOL {
    auto& wanted = *reinterpret_cast<Wanted*>(at);  // NOLINT: it is
    wchar_t name[64] = {}, text[1024] = {};
    ::GetClassNameW(w, name, 64);
    ::SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 2000, nullptr);
    const std::wstring id = L"#" + std::to_wstring(::GetDlgCtrlID(w));
    if (wanted.kind == name && (wanted.text == text || wanted.text == id))
      wanted.found = w;
    return wanted.found == nullptr;
  };
  for (int i = 0; i < 300 && !wanted.found; ++i, ::Sleep(100)) {
    HWND top = ::FindWindowW(nullptr, Utf8ToUtf16(title).c_str());
    if (top) ::EnumChildWindows(top, match, reinterpret_cast<LPARAM>(&wanted));
  }
  EXPECT_NE(wanted.found, nullptr) << title << ": " << text;
  return wanted.found;
}
void Click(const char* title, const char* text) {
  if (HWND button = Find(title, text)) ::PostMessageW(button, BM_CLICK, 0, 0);
}

TEST(Win32EndToEnd, RealProgramConvertsASampleAndEndsWithZero) {
  testing::Scratch dir;
  const std::filesystem::path rom =
      dir.MakeRom(RomEdition::Simplified, 0x100000, {}, u8"样本 图像.gba");
  const testing::Bytes before = testing::ReadFileBytes(rom);
  const auto run = reinterpret_cast<HANDLE>(::_wspawnl(  // NOLINT: a handle
      _P_NOWAIT, L"window\\win32\\qorvane-switcher.exe", L"switcher", nullptr));
  const char* form = "QorvaneADVANCE中文版 简繁体切换工具";
  Click(form, "浏览..");
  ::SendMessageW(Find("打开QorvaneROM文件", "", L"Edit"), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(rom.c_str()));
  Click("打开QorvaneROM文件", "#1");  // Open
  Find(form, "目前此ROM为简体中文");  // read
  Click(form, "繁体中文");            // Option2's name
  Click(form, "转 换");
  Click("提 示", "#1");  // OK
  DWORD status = 1;
  if (::WaitForSingleObject(run, 30000) != WAIT_OBJECT_0) {
    ::TerminateProcess(run, 1);  // not left behind in Wine
  }
  ::GetExitCodeProcess(run, &status);
  EXPECT_EQ(
      std::pair(status, testing::ReadFileBytes(rom)),
      std::pair(DWORD{0}, testing::With(before, RomEdition::Traditional)));
}

}  // namespace
}  // namespace qorvane
