// Every offset and byte value of a Qorvane ROM image that the tool uses:
// where the edition signature lies, which triples mark which edition, and
// which bytes a conversion writes where. Offsets are 0-based.

#ifndef QORVANE_ROM_EDITION_TABLE_H_
#define QORVANE_ROM_EDITION_TABLE_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace qorvane {

// The edition signature: three bytes at 0xC1038 (790584) to 0xC103A.
inline constexpr std::uint64_t SignatureOffset = 0xC1038;
using SignatureBytes = std::array<std::uint8_t, 3>;

enum class RomEdition {
  Simplified,    // enhanced localisation, simplified script active
  Traditional,   // enhanced localisation, traditional script active
  NotEnhanced,   // the group's localisation, but not its enhanced edition
  Unrecognised,  // not a ROM of the game
};

// The script a conversion activates: 1 is simplified; any other non-zero
// value is traditional; 0 means none has been chosen.
using TargetScript = int;
inline constexpr TargetScript kNoScript = 0;
inline constexpr TargetScript kSimplifiedScript = 1;
inline constexpr TargetScript kTraditionalScript = 2;

inline constexpr SignatureBytes kSimplifiedSignature{0x64, 0x48, 0x60};
inline constexpr SignatureBytes kTraditionalSignature{0xC2, 0x33, 0x7D};
inline constexpr SignatureBytes kNotEnhancedSignature{0x4A, 0x48, 0x60};

// A row matches only when all three bytes are equal; no row: Unrecognised.
constexpr RomEdition ClassifySignature(const SignatureBytes& bytes) {
  if (bytes == kSimplifiedSignature) return RomEdition::Simplified;
  if (bytes == kTraditionalSignature) return RomEdition::Traditional;
  if (bytes == kNotEnhancedSignature) return RomEdition::NotEnhanced;
  return RomEdition::Unrecognised;
}

constexpr bool IsConvertible(RomEdition edition) {
  return edition == RomEdition::Simplified ||
         edition == RomEdition::Traditional;
}

// The first three bytes of every run a conversion to `target` writes: the
// signature of the edition it produces. An enhanced edition's signature is
// likewise the head of the runs it holds.
constexpr const SignatureBytes& HeadBytes(TargetScript target) {
  return target == kSimplifiedScript ? kSimplifiedSignature
                                     : kTraditionalSignature;
}

// A patch run is seven bytes: three head bytes, 0x08, the site's two tail
// bytes, and 0x00. Bytes 0-3 read as a little-endian word are a cartridge
// address (0x08604864 or 0x087D33C2).
inline constexpr std::size_t kPatchRunSize = 7;
using PatchRun = std::array<std::uint8_t, kPatchRunSize>;

struct PatchSite {
  std::uint64_t offset;
  std::array<std::uint8_t, 2> tail;
};

// The five sites, in the order a conversion writes them. Site 1 is the
// signature location; site 4 lies earlier in the file but is written fourth.
inline constexpr std::array<PatchSite, 5> kPatchSites{{
    {0xC1038, {0x48, 0xAB}},  // 790584
    {0xC1248, {0x48, 0xAB}},  // 791112
    {0xC1458, {0x48, 0xAB}},  // 791640
    {0x6AE88, {0x84, 0x27}},  // 437896
    {0xC2A04, {0x48, 0xAB}},  // 797188
}};

constexpr PatchRun RunFor(const PatchSite& site, const SignatureBytes& head) {
  return {head[0], head[1], head[2], 0x08, site.tail[0], site.tail[1], 0x00};
}

// Where the last run ends; 0 when two runs overlap.
constexpr std::uint64_t RunsEnd() {
  std::uint64_t end = 0;
  for (const PatchSite& a : kPatchSites) {
    for (const PatchSite& b : kPatchSites) {
      if (&a != &b && a.offset < b.offset + kPatchRunSize &&
          b.offset < a.offset + kPatchRunSize) {
        return 0;
      }
    }
    end = std::max(end, a.offset + kPatchRunSize);
  }
  return end;
}

static_assert(kPatchSites[0].offset == SignatureOffset,
              "site 1 is the signature location, so a converted file reads "
              "as the target edition");
static_assert(RunsEnd() != 0, "patch runs must not overlap");

// A file must be at least this long to hold all five runs (0xC2A0B).
inline constexpr std::uint64_t kMinConvertibleSize = RunsEnd();

}  // namespace qorvane

#endif  // QORVANE_ROM_EDITION_TABLE_H_
