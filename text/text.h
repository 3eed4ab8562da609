// Text between UTF-8, the project's own form, and the platform's: paths as
// UTF-8 and back, and on Windows the one UTF-8/UTF-16 pair for every part
// of the project (the Windows API's form). On Windows invalid input becomes
// U+FFFD, and a text too long for the system's calls throws
// std::length_error.

#ifndef QORVANE_TEXT_TEXT_H_
#define QORVANE_TEXT_TEXT_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace qorvane {

std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path Utf8ToPath(std::string_view text);

#ifdef _WIN32
std::wstring Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::wstring_view utf16);
#endif

}  // namespace qorvane

#endif  // QORVANE_TEXT_TEXT_H_
