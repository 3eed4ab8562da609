// What the Win32 window needs around the Windows API: UTF-8 texts as
// UTF-16, the DPI functions of newer Windows with fallbacks for older ones,
// and the modal dialogs behind a seam, so tests answer them in place.

#ifndef QORVANE_WINDOW_WIN32_BRIDGE_H_
#define QORVANE_WINDOW_WIN32_BRIDGE_H_

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first.
#include <commdlg.h>

#include <string>
#include <string_view>

namespace qorvane {

std::wstring Widen(std::string_view utf8);
// "description|pattern" as the open dialog's filter: each part ended by a
// NUL, the whole by a second one.
std::wstring OpenDialogFilter(std::string_view filter);

// Twips (1/1440 inch) as pixels at `dpi`, rounded to the nearest pixel.
constexpr int TwipsToPixels(int twips, unsigned dpi) {
  return static_cast<int>((static_cast<long long>(twips) * dpi + 720) / 1440);
}

// The window's DPI (Windows 10 1607 and later), else the screen's.
UINT WindowDpi(HWND window);
// The system's message font for `dpi`.
LOGFONTW MessageFont(UINT dpi);
// The outer rectangle of a window whose client area is `client`, at `dpi`.
RECT FrameForClient(RECT client, DWORD style, DWORD ex_style, UINT dpi);

// The modal dialogs of the window. `System()` shows the real ones.
class Win32Dialogs {
 public:
  virtual ~Win32Dialogs() = default;
  // MessageBoxW.
  virtual int ShowMessageBox(HWND owner, const std::wstring& text,
                             const std::wstring& title, UINT style);
  // GetOpenFileNameW; on false, `error` is CommDlgExtendedError() (0 when
  // the user cancelled).
  virtual bool ShowOpenDialog(OPENFILENAMEW& request, DWORD& error);

  static Win32Dialogs& System();
};

}  // namespace qorvane

#endif  // QORVANE_WINDOW_WIN32_BRIDGE_H_
