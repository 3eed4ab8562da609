// A path as UTF-8 text, whatever the platform's native form (UTF-16 on
// Windows, the file system's bytes elsewhere).

#ifndef QORVANE_ROM_PATH_TEXT_H_
#define QORVANE_ROM_PATH_TEXT_H_

#include <filesystem>
#include <string>

namespace qorvane {

inline std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

}  // namespace qorvane

#endif  // QORVANE_ROM_PATH_TEXT_H_
