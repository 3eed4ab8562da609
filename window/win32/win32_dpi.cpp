#include "window/win32/win32_dpi.h"

#include <stdexcept>

namespace qorvane {
namespace {

// A function of a system DLL that older Windows lacks, or nullptr.
template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
  HMODULE module = ::GetModuleHandleW(dll);
  if (module == nullptr) return nullptr;
  // Through the generic function pointer type, which casts to any other.
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

UINT ScreenDpi() {
  const ScreenDc screen(::GetDC(nullptr));
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi =
      SystemFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  const UINT dpi = get_dpi != nullptr ? get_dpi(window) : 0;
  return dpi != 0 ? dpi : ScreenDpi();
}

LOGFONTW MessageFont(UINT dpi) {
  using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto for_dpi =
      SystemFunction<ForDpiFn>(L"user32.dll", "SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (for_dpi != nullptr &&
      for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    return metrics.lfMessageFont;
  }
  // Older Windows: the font for the screen's DPI, scaled.
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics,
                               &metrics, 0)) {
    throw std::runtime_error("SystemParametersInfoW failed");
  }
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi),
                           static_cast<int>(ScreenDpi()));
  return font;
}

RECT FrameForClient(RECT client, DWORD style, DWORD ex_style, UINT dpi) {
  using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjust =
      SystemFunction<AdjustFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT frame = client;
  if (adjust == nullptr || !adjust(&frame, style, FALSE, ex_style, dpi)) {
    frame = client;
    ::AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  }
  return frame;
}

}  // namespace qorvane
