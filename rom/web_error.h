// The browser backend's reading of a failure, for the page's other browser
// calls too (the file picker): the code a call of file_web.js answered
// with, negated, as a code of the browser's file category whose message()
// is the reason in Chinese. Built into the engine for the web only.

#ifndef QORVANE_ROM_WEB_ERROR_H_
#define QORVANE_ROM_WEB_ERROR_H_

#include <system_error>

namespace qorvane {

std::error_code BrowserError(int code);

}  // namespace qorvane

#endif  // QORVANE_ROM_WEB_ERROR_H_
