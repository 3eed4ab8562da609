// Text between UTF-8, the project's own form, and UTF-16, the form of the
// Windows API: the one pair of conversions for every part of the project
// that runs on Windows. Invalid input becomes U+FFFD; a text too long for
// the system's calls throws std::length_error.

#ifndef QORVANE_ROM_WIN32_TEXT_H_
#define QORVANE_ROM_WIN32_TEXT_H_

#include <string>
#include <string_view>

namespace qorvane {

std::wstring Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::wstring_view utf16);

}  // namespace qorvane

#endif  // QORVANE_ROM_WIN32_TEXT_H_
