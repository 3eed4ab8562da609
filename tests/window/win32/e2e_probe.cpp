// Looks into another program's windows for the end-to-end run under Wine:
// reads captions and texts, finds where a control is, sets a text.
//
//   e2e_probe wait TITLE [CLASS TEXT|#ID]   until the window (and control)
//                                           exists
//   e2e_probe texts TITLE                   every class and text, one a line
//   e2e_probe center TITLE CLASS TEXT|#ID   the control's centre on screen
//   e2e_probe set TITLE CLASS TEXT|#ID NEW  WM_SETTEXT
//
// Polls for up to 30 seconds; exit status 1 when nothing matched by then.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Control {
  HWND window;
  std::wstring class_name, text;
};

void Print(FILE* out, const std::wstring& text) {
  std::string utf8(text.size() * 3 + 1, '\0');
  utf8.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(),
                                    static_cast<int>(utf8.size()), nullptr,
                                    nullptr));
  std::fprintf(out, "%s\n", utf8.c_str());
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
  wchar_t class_name[64] = {}, text[1024] = {};
  ::GetClassNameW(window, class_name, 64);
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024,
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
  reinterpret_cast<std::vector<Control>*>(list)->push_back(
      {window, class_name, text});
  return TRUE;
}

bool Matches(const Control& c, const wchar_t* class_name, const wchar_t* what) {
  if (::lstrcmpiW(c.class_name.c_str(), class_name) != 0) return false;
  return what[0] == L'#' ? ::GetDlgCtrlID(c.window) == _wtoi(what + 1)
                         : c.text == what;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 2 ? argv[1] : L"";
  if (command.empty() || (command != L"wait" && command != L"texts" &&
                          argc < (command == L"set" ? 6 : 5))) {
    std::fprintf(stderr, "usage: e2e_probe wait|texts|center|set TITLE ...\n");
    return 2;
  }
  std::vector<Control> controls;
  for (const ULONGLONG deadline = ::GetTickCount64() + 30000;
       ::GetTickCount64() < deadline; ::Sleep(100)) {
    HWND top = ::FindWindowW(nullptr, argv[2]);
    if (top == nullptr) continue;
    controls.clear();
    Collect(top, reinterpret_cast<LPARAM>(&controls));
    ::EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&controls));
    if (command == L"texts" || (command == L"wait" && argc == 3)) {
      for (const Control& c : controls)
        Print(stdout, c.class_name + L" " + c.text);
      return 0;
    }
    for (const Control& c : controls) {
      if (!Matches(c, argv[3], argv[4])) continue;
      RECT r{};
      ::GetWindowRect(c.window, &r);
      if (command == L"center") {
        std::printf("%ld %ld\n", (r.left + r.right) / 2,
                    (r.top + r.bottom) / 2);
      } else if (command == L"set") {
        ::SendMessageW(c.window, WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(argv[5]));
      }
      return 0;
    }
  }
  Print(stderr, L"e2e_probe: timed out waiting for " + std::wstring(argv[2]));
  for (const Control& c : controls) Print(stderr, c.class_name + L" " + c.text);
  return 1;
}
