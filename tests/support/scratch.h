// A fresh directory for one test, removed with everything in it afterwards,
// and synthetic ROM images made in it.

#ifndef QORVANE_TESTS_SUPPORT_SCRATCH_H_
#define QORVANE_TESTS_SUPPORT_SCRATCH_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "tools/rom_image.h"

namespace qorvane::testing {

using images::Bytes, images::ReadFileBytes, images::RomImageBuilder;

class Scratch {
 public:
  Scratch() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch();
    do {  // create_directory throws if it cannot make one
      path_ = std::filesystem::temp_directory_path() /
              ("qorvane-test-" + std::to_string(stamp.count() + counter++));
    } while (!std::filesystem::create_directory(path_));
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::filesystem::path operator/(const std::filesystem::path& name) const {
    return path_ / name;
  }
  // An image: `edition`, `size` bytes, `puts` over it, `name` or its own.
  std::filesystem::path MakeRom(RomEdition edition,
                                std::uint64_t size = 0x100000,
                                const std::map<std::uint64_t, Bytes>& puts = {},
                                std::filesystem::path name = {}) {
    RomImageBuilder image;
    image.Size(size).Edition(edition);  // then `puts` over it
    for (const auto& [offset, bytes] : puts) image.Put(offset, bytes);
    if (name.empty()) name = "rom-" + std::to_string(roms_++) + ".gba";
    name = path_ / name;
    image.WriteTo(name);
    return name;
  }

 private:
  std::filesystem::path path_;
  int roms_ = 0;
};

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SUPPORT_SCRATCH_H_
