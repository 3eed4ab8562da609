// The window program: loads Form1, shows it, and runs the message loop
// until an action or the close box ends it.

#include "window/win32/form1.h"
// After windows.h, which form1.h includes.
#include <commctrl.h>

#include <cstdlib>
#include <system_error>

#include "window/shared/error_boundary.h"

// A window program has no standard error for the C++ runtime's verbose
// terminate handler to print to; this plain one keeps that handler's
// 50 KB symbol demangler out of the program file.
namespace __gnu_cxx {  // NOLINT(bugprone-reserved-identifier): the runtime's
void __verbose_terminate_handler() { std::abort(); }  // NOLINT
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/,
                    PWSTR /*command_line*/, int /*show*/) {
  // The manifest asks for Common Controls 6; this loads them. Should it
  // fail, creating the controls fails and says so.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  int status = 1;
  const auto run = [&] {
    qorvane::Form1 form;
    if (const auto ended = form.exit_status()) {  // at load
      status = *ended;
      return;
    }
    form.Show();
    MSG message{};
    for (;;) {
      const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) {
        status = static_cast<int>(message.wParam);
        return;
      }
      if (got == -1)
        throw std::system_error(static_cast<int>(::GetLastError()),
                                std::system_category(), "GetMessageW");
      // Tab, arrow keys and the like, as in a dialog.
      if (!::IsDialogMessageW(form.hwnd(), &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
  };
  qorvane::Guarded(run,
                   qorvane::ErrorBox(qorvane::Win32Dialogs::System(), nullptr));
  return status;
}
