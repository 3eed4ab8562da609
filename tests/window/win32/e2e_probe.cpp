// The eyes of the end-to-end run (e2e.sh): `e2e_probe TITLE CLASS TEXT [NEW]`
// waits up to 30 seconds for the window TITLE to hold a control of CLASS with
// TEXT (or, for #N, the id N), then sets its text to NEW if given and prints
// its centre on the screen. Exit status 1, and the texts seen, if none came.

#include <windows.h>
// windows.h first.
#include <cstdio>
#include <string>
#include <vector>

#include "rom/win32_text.h"

namespace {

std::vector<HWND> found;

std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024,
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  for (const ULONGLONG end = ::GetTickCount64() + 30000;
       ::GetTickCount64() < end; ::Sleep(100)) {
    found.clear();
    if (HWND top = ::FindWindowW(nullptr, argv[1])) {
      ::EnumChildWindows(
          top, [](HWND w, LPARAM) { return found.push_back(w), TRUE; }, 0);
    }
    for (HWND w : found) {
      wchar_t name[64] = {};
      ::GetClassNameW(w, name, 64);
      if (::lstrcmpiW(name, argv[2]) != 0 ||
          (Text(w) != argv[3] &&
           L"#" + std::to_wstring(::GetDlgCtrlID(w)) != argv[3])) {
        continue;
      }
      if (argc > 4) {
        ::SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
      }
      RECT r{};
      ::GetWindowRect(w, &r);
      std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
      return 0;
    }
  }
  for (HWND w : found) {
    std::fprintf(stderr, "seen: %s\n", qorvane::Utf16ToUtf8(Text(w)).c_str());
  }
  return 1;
}
