// Synthetic ROM images for the sample file, the tests and the benchmarks: a
// size, a fill pattern, and an edition's bytes at the sites the engine's table
// names. No real game data is ever used.

#ifndef QORVANE_TOOLS_ROM_IMAGE_H_
#define QORVANE_TOOLS_ROM_IMAGE_H_

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

#include "rom/edition_table.h"

namespace qorvane::images {

using Bytes = std::vector<std::uint8_t>;

enum class Fill {
  Pattern,  // a byte pattern that repeats only every 251 bytes
  Zero,     // zeros; WriteTo leaves the file sparse
};

class RomImageBuilder {
 public:
  RomImageBuilder& Size(std::uint64_t size);
  RomImageBuilder& WithFill(Fill fill);
  // Simplified or Traditional: that edition's five runs. NotEnhanced: its
  // signature alone. Unrecognised: nothing beyond the fill.
  RomImageBuilder& Edition(RomEdition edition);
  // Any bytes at any offset, applied after the edition's bytes.
  RomImageBuilder& Put(std::uint64_t offset, const Bytes& bytes);

  void WriteTo(const std::filesystem::path& path) const;

 private:
  Bytes Build() const;

  std::uint64_t size_ = 0x100000;  // 1 MiB
  Fill fill_ = Fill::Pattern;
  std::map<std::uint64_t, Bytes> overlay_;
};

Bytes ReadFileBytes(const std::filesystem::path& path);

}  // namespace qorvane::images

#endif  // QORVANE_TOOLS_ROM_IMAGE_H_
