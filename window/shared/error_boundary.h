// The windows' one error boundary: runs a piece of a window's work (a
// controller action, a window message, the whole program); an error it
// raises is reported through `report(text, title)` with FatalErrorText's
// words under texts::kErrorTitle, and the window then ends the program with
// a non-zero status. Nothing escapes it.

#ifndef QORVANE_WINDOW_SHARED_ERROR_BOUNDARY_H_
#define QORVANE_WINDOW_SHARED_ERROR_BOUNDARY_H_

#include <exception>
#include <string>
#include <string_view>

#include "switcher/error_report.h"
#include "switcher/switcher_texts.h"

namespace qorvane {

// False when `work` raised (and it was reported, where that still worked).
template <typename Work, typename Report>
bool Guarded(Work work, Report report) noexcept {
  try {
    work();
    return true;
  } catch (...) {
    try {
      const std::string text = FatalErrorText(std::current_exception());
      report(std::string_view(text), texts::kErrorTitle);
    } catch (...) {  // no way left to tell; the exit status still says it
    }
    return false;
  }
}

}  // namespace qorvane

#endif  // QORVANE_WINDOW_SHARED_ERROR_BOUNDARY_H_
