// The window's modal dialogs behind a seam, so that tests answer them in
// place: the message box and the open-file dialog.

#ifndef QORVANE_WINDOW_WIN32_DIALOGS_H_
#define QORVANE_WINDOW_WIN32_DIALOGS_H_

#include "window/win32/win32_handles.h"
// windows.h first.
#include <commdlg.h>

#include <string>
#include <string_view>

#include "switcher/switcher_texts.h"

namespace qorvane {

// A filter as the open dialog takes it: the description and the pattern,
// each ended by a NUL, the whole by a second one.
std::wstring OpenDialogFilter(const texts::FileFilter& filter);

// `System()` shows the real dialogs.
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

#endif  // QORVANE_WINDOW_WIN32_DIALOGS_H_
