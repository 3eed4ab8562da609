// A fresh directory for one test, removed with everything in it afterwards,
// and synthetic ROM images made in it.

#ifndef QORVANE_TESTS_SUPPORT_SCRATCH_H_
#define QORVANE_TESTS_SUPPORT_SCRATCH_H_

#include <cstdint>
#include <filesystem>

#include "tools/rom_image.h"

namespace qorvane::testing {

using images::Bytes;
using images::ReadFileBytes;
using images::RomImageBuilder;

class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  std::filesystem::path operator/(const std::filesystem::path& name) const {
    return path_ / name;
  }
  // A 1 MiB image (or `size` bytes) of `edition`, under a name of its own.
  std::filesystem::path MakeRom(RomEdition edition,
                                std::uint64_t size = 0x100000);

 private:
  std::filesystem::path path_;
  int roms_ = 0;
};

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SUPPORT_SCRATCH_H_
