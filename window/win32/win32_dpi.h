// The window's DPI and what depends on it, through the functions of newer
// Windows (10 1607 and later), with fallbacks for older ones.

#ifndef QORVANE_WINDOW_WIN32_DPI_H_
#define QORVANE_WINDOW_WIN32_DPI_H_

#include "window/win32/win32_handles.h"

namespace qorvane {

// The window's DPI, else the screen's.
UINT WindowDpi(HWND window);
// The system's message font for `dpi`.
LOGFONTW MessageFont(UINT dpi);
// The outer rectangle of a window whose client area is `client`, at `dpi`.
RECT FrameForClient(RECT client, DWORD style, DWORD ex_style, UINT dpi);

}  // namespace qorvane

#endif  // QORVANE_WINDOW_WIN32_DPI_H_
