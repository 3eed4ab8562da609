// What the tests share: each edition's bytes and the About text, written out
// apart from the product's tables; a fresh directory for one test, removed
// with everything in it afterwards; synthetic ROM images made in it.

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

using images::Bytes, images::ReadFileBytes;
using Puts = std::map<std::uint64_t, Bytes>;  // bytes by offset

// The five runs of an enhanced edition, in writing order; the signature
// alone of the not-enhanced one; none of an unrecognised file.
inline const std::map<RomEdition, Puts> kEditionBytes{
    {RomEdition::Simplified,
     {{0xC1038, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}},
      {0xC1248, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}},
      {0xC1458, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}},
      {0x6AE88, {0x64, 0x48, 0x60, 0x08, 0x84, 0x27, 0x00}},
      {0xC2A04, {0x64, 0x48, 0x60, 0x08, 0x48, 0xAB, 0x00}}}},
    {RomEdition::Traditional,
     {{0xC1038, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}},
      {0xC1248, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}},
      {0xC1458, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}},
      {0x6AE88, {0xC2, 0x33, 0x7D, 0x08, 0x84, 0x27, 0x00}},
      {0xC2A04, {0xC2, 0x33, 0x7D, 0x08, 0x48, 0xAB, 0x00}}}},
    {RomEdition::NotEnhanced, {{0xC1038, {0x4A, 0x48, 0x60}}}},
    {RomEdition::Unrecognised, {}}};

inline constexpr const char* kAboutText =
    "QorvaneADVANCELumek汉化中文版\r       简繁体切换工具\r\r"
    "      作者：Lumek汉化组\r        2003年9月9日\r"
    "         Lumek汉化网\r https://www.example.org/";

// `bytes` with `edition`'s bytes written over them, within their length.
inline Bytes With(Bytes bytes, RomEdition edition) {
  for (const auto& [offset, put] : kEditionBytes.at(edition)) {
    for (std::size_t i = 0; i < put.size() && offset + i < bytes.size(); ++i)
      bytes[offset + i] = put[i];
  }
  return bytes;
}

// A synthetic image of `edition`, `size` bytes, `puts` over it.
inline images::RomImageBuilder Image(RomEdition edition,
                                     std::uint64_t size = 0x100000,
                                     const Puts& puts = {}) {
  images::RomImageBuilder image;
  image.Size(size);
  for (const auto& [offset, bytes] : kEditionBytes.at(edition))
    image.Put(offset, bytes);
  for (const auto& [offset, bytes] : puts) image.Put(offset, bytes);
  return image;
}

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
  // An image as Image makes it, in a file `name` or one of its own.
  std::filesystem::path MakeRom(RomEdition edition,
                                std::uint64_t size = 0x100000,
                                const Puts& puts = {},
                                std::filesystem::path name = {}) {
    if (name.empty()) name = "rom-" + std::to_string(roms_++) + ".gba";
    Image(edition, size, puts).WriteTo(name = path_ / name);
    return name;
  }

 private:
  std::filesystem::path path_;
  int roms_ = 0;
};

}  // namespace qorvane::testing

#endif  // QORVANE_TESTS_SUPPORT_SCRATCH_H_
