// The Windows API for the window's files, and its handles as owning
// pointers: each is released by its deleter, whichever way its owner goes.

#ifndef QORVANE_WINDOW_WIN32_HANDLES_H_
#define QORVANE_WINDOW_WIN32_HANDLES_H_

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <memory>
#include <type_traits>

namespace qorvane {

// A window. Its procedure stops reaching the object that owned it (its
// GWLP_USERDATA is cleared) before it is destroyed.
struct WindowDeleter {
  void operator()(HWND window) const {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    ::DestroyWindow(window);
  }
};
using WindowHandle =
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

// A font, or any other GDI object.
struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { ::DeleteObject(object); }
};
using FontHandle =
    std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

// The screen's device context.
struct ScreenDcDeleter {
  void operator()(HDC dc) const { ::ReleaseDC(nullptr, dc); }
};
using ScreenDc = std::unique_ptr<std::remove_pointer_t<HDC>, ScreenDcDeleter>;

}  // namespace qorvane

#endif  // QORVANE_WINDOW_WIN32_HANDLES_H_
