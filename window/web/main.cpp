// The page's program: loads Form1 into the page and keeps the site for
// offline use. The runtime stays alive after main returns; from then on the
// page's clicks drive the window.

#include "window/web/form1.h"

// The page side (form1.js): registers the service worker (sw.js) that
// keeps the site, once the page has loaded.
extern "C" void qorvane_window_keep_offline();

int main() {
  static qorvane::Form1 form;
  form.Load();
  qorvane_window_keep_offline();
  return 0;
}
