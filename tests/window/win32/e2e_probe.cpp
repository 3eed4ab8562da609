// The eyes of the end-to-end run (e2e.sh): `e2e_probe TITLE CLASS TEXT [NEW]`
// waits up to 30 seconds for the window TITLE to hold a control of CLASS with
// TEXT (or, for #N, the id N), then sets its text to NEW if given and prints
// its centre on the screen. Exit status 1 if none came.

#include <windows.h>
// windows.h first.
#include <cstdio>
#include <string>

namespace {
wchar_t** wanted;  // the arguments
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  wanted = argv;
  for (int tries = 0; tries < 300; ++tries, ::Sleep(100)) {
    HWND found = nullptr, top = ::FindWindowW(nullptr, argv[1]);
    if (top == nullptr) continue;
    ::EnumChildWindows(
        top,
        [](HWND w, LPARAM found) {
          wchar_t name[64] = {}, text[1024] = {};
          ::GetClassNameW(w, name, 64);
          ::SendMessageTimeoutW(w, WM_GETTEXT, 1024,
                                reinterpret_cast<LPARAM>(text),
                                SMTO_ABORTIFHUNG, 2000, nullptr);
          const bool match =
              ::lstrcmpiW(name, wanted[2]) == 0 &&
              (std::wstring(wanted[3]) == text ||
               L"#" + std::to_wstring(::GetDlgCtrlID(w)) == wanted[3]);
          if (match)
            *reinterpret_cast<HWND*>(found) = w;  // NOLINT: &found below
          return match ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found == nullptr) continue;
    if (argc > 4) {
      ::SendMessageW(found, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    }
    RECT r{};
    ::GetWindowRect(found, &r);
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
  }
  return 1;
}
