// Start-up cost of the Win32 window against a bare window of the same size:
// time from the program's entry to the first paint of the window and all
// its controls, and the peak working set at that moment. Run under Wine.
//
//   win32_window_startup form1|bare
//
// Prints "<which> <milliseconds> <peak KiB>" and exits.

#include "window/win32/form1.h"
// After windows.h, which form1.h includes.
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>

int wmain(int argc, wchar_t** argv) {
  LARGE_INTEGER start, end, frequency;
  ::QueryPerformanceCounter(&start);
  const bool bare = argc > 1 && std::wcscmp(argv[1], L"bare") == 0;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  std::unique_ptr<qorvane::Form1> form;
  HWND window = nullptr;
  if (bare) {
    WNDCLASSEXW bare_class{};
    bare_class.cbSize = sizeof bare_class;
    bare_class.lpfnWndProc = ::DefWindowProcW;
    bare_class.hInstance = ::GetModuleHandleW(nullptr);
    bare_class.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    bare_class.lpszClassName = L"Bare";
    ::RegisterClassExW(&bare_class);
    window = ::CreateWindowExW(0, L"Bare", L"Bare", WS_CAPTION | WS_SYSMENU,
                               CW_USEDEFAULT, CW_USEDEFAULT, 274, 146, nullptr,
                               nullptr, bare_class.hInstance, nullptr);
    ::ShowWindow(window, SW_SHOWNORMAL);
  } else {
    form = std::make_unique<qorvane::Form1>();
    form->Show();
    window = form->hwnd();
  }
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::QueryPerformanceCounter(&end);
  ::QueryPerformanceFrequency(&frequency);
  PROCESS_MEMORY_COUNTERS memory{};
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory);
  std::printf("%s %.2f %zu\n", bare ? "bare" : "form1",
              1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                  static_cast<double>(frequency.QuadPart),
              memory.PeakWorkingSetSize / 1024);
  return 0;
}
