// The page's program: loads Form1 into the page and keeps the site for
// offline use. The runtime stays alive after main returns; from then on the
// page's clicks drive the window.

#include <emscripten.h>

#include "window/web/form1.h"

namespace {

// The service worker (sw.js) keeps the site's files, so that after one
// visit the page opens without a network. Without it (a browser that has
// none, a page not served over HTTPS or from this computer) the page works
// as long as the site can be reached.
// clang-format off
EM_JS(void, KeepSiteOffline, (), {
  if (!("serviceWorker" in navigator)) return;
  // Once the page has loaded, so as not to hold up the window.
  const register = () => {
    navigator.serviceWorker.register("sw.js").catch(error => {
      console.warn("The site is not kept for offline use:", error);
    });
  };
  if (document.readyState === "complete") {
    setTimeout(register);
  } else {
    addEventListener("load", register);
  }
});
// clang-format on

}  // namespace

int main() {
  static qorvane::Form1 form;
  form.Load();
  KeepSiteOffline();
  return 0;
}
