// A fresh directory for one test, removed with everything in it afterwards.

#ifndef QORVANE_TESTS_SUPPORT_TEMP_DIR_H_
#define QORVANE_TESTS_SUPPORT_TEMP_DIR_H_

#include <filesystem>

namespace qorvane::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const {
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SUPPORT_TEMP_DIR_H_
