// The page's program: loads Form1 into the page. The runtime stays alive
// after main returns; from then on the page's clicks drive the window.

#include "window/web/form1.h"

int main() {
  static qorvane::Form1 form;
  form.Load();
  return 0;
}
