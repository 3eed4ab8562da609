// Form1 in pixels at 96 DPI, written out once apart from the layout table,
// so that a wrong box in the table fails both windows' tests.

#ifndef QORVANE_TESTS_WINDOW_FORM1_PIXELS_H_
#define QORVANE_TESTS_WINDOW_FORM1_PIXELS_H_

#include <array>
#include <vector>

#include "window/shared/form1_layout.h"

namespace qorvane::testing {

inline constexpr std::array<int, 2> kClientPixels{268, 121};

// Left, top, width, height within the container, by form1::Id.
inline constexpr std::array<std::array<int, 4>, form1::kControlCount>
    kPixelBoxes{{
        {8, 8, 249, 41},    // Frame1
        {24, 16, 17, 17},   // Option1
        {48, 16, 65, 17},   // Label1
        {144, 16, 17, 17},  // Option2
        {168, 16, 65, 17},  // Label2
        {8, 59, 193, 20},   // Text1
        {208, 56, 49, 25},  // Command4
        {8, 88, 73, 25},    // Command1
        {96, 88, 73, 25},   // Command3
        {184, 88, 73, 25},  // Command2
    }};

// The controls that take the focus, in the table's tab order.
inline std::vector<form1::Id> FocusOrder() {
  std::vector<form1::Id> order;
  for (const form1::Id id : form1::TabOrder()) {
    if (form1::TakesFocus(form1::kControls[id].kind)) order.push_back(id);
  }
  return order;
}

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_WINDOW_FORM1_PIXELS_H_
