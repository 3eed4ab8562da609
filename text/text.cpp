#include "text/text.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>
#include <stdexcept>
#endif

namespace qorvane {

#ifdef _WIN32
namespace {

int Length(std::size_t size) {
  if (size > INT_MAX) throw std::length_error("text too long");
  return static_cast<int>(size);
}

}  // namespace

std::wstring Utf8ToUtf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = Length(utf8.size());
  std::wstring wide(utf8.size(), L'\0');  // never more UTF-16 units
  wide.resize(static_cast<std::size_t>(
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), size)));
  return wide;
}

std::string Utf16ToUtf8(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = Length(utf16.size());
  std::string utf8(utf16.size() * 3, '\0');  // never more UTF-8 bytes
  utf8.resize(static_cast<std::size_t>(
      ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, utf8.data(),
                            Length(utf8.size()), nullptr, nullptr)));
  return utf8;
}

std::string PathToUtf8(const std::filesystem::path& path) {
  return Utf16ToUtf8(path.native());
}
std::filesystem::path Utf8ToPath(std::string_view text) {
  return Utf8ToUtf16(text);
}
#else
// A POSIX path is bytes, UTF-8 by convention: taken as they are.
std::string PathToUtf8(const std::filesystem::path& path) {
  return path.native();
}
std::filesystem::path Utf8ToPath(std::string_view text) {
  return std::string(text);
}
#endif

}  // namespace qorvane
