#include "window/win32/win32_dialogs.h"

#include "text/text.h"

namespace qorvane {

std::wstring OpenDialogFilter(const texts::FileFilter& filter) {
  return Utf8ToUtf16(filter.description) + L'\0' + Utf8ToUtf16(filter.pattern) +
         L'\0' + L'\0';
}

int Win32Dialogs::ShowMessageBox(HWND owner, const std::wstring& text,
                                 const std::wstring& title, UINT style) {
  return ::MessageBoxW(owner, text.c_str(), title.c_str(), style);
}

bool Win32Dialogs::ShowOpenDialog(OPENFILENAMEW& request, DWORD& error) {
  if (::GetOpenFileNameW(&request)) {
    error = 0;
    return true;
  }
  error = ::CommDlgExtendedError();
  return false;
}

Win32Dialogs& Win32Dialogs::System() {
  static Win32Dialogs dialogs;
  return dialogs;
}

}  // namespace qorvane
