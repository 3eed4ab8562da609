#include "window/win32/win32_bridge.h"

#include <climits>
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
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  if (utf8.size() > INT_MAX) throw std::length_error("text too long");
  const int size = static_cast<int>(utf8.size());
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length == 0 || ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size,
                                           wide.data(), length) != length) {
    throw std::runtime_error("UTF-8 conversion failed");
  }
  return wide;
}

std::wstring OpenDialogFilter(std::string_view filter) {
  std::wstring entries = Widen(filter);
  for (wchar_t& c : entries) {
    if (c == L'|') c = L'\0';
  }
  entries.push_back(L'\0');
  entries.push_back(L'\0');
  return entries;
}

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
