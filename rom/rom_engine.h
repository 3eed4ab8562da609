// Inspection and conversion of a ROM file. Each opens it through RomFile for
// the call alone, so that a path gets the same answer from each, and raises
// `RomError` on failure.

#ifndef QORVANE_ROM_ROM_ENGINE_H_
#define QORVANE_ROM_ROM_ENGINE_H_

#include <filesystem>
#include <vector>

#include "rom/edition_table.h"
#include "rom/rom_file.h"

namespace qorvane {

// Reads the three signature bytes into `signature` and names the edition;
// never changes or creates the file. A path that names no file or no regular
// file, or a file that ends before the signature does, is Unrecognised with
// `signature` 00 00 00.
RomEdition InspectRom(const std::filesystem::path& path,
                      SignatureBytes& signature,
                      FileCalls& calls = FileCalls::System());

// An edition and, for Simplified or Traditional, the sites (in writing
// order) that do not hold its runs: a damaged or half-converted file.
struct RomReport {
  RomEdition edition = RomEdition::Unrecognised;
  SignatureBytes signature{};
  std::vector<PatchSite> mismatched_sites;
};

// Reads the five runs; unlike InspectRom, raises for a path that names no
// file or no regular file.
RomReport ExamineRom(const std::filesystem::path& path,
                     FileCalls& calls = FileCalls::System());

// Writes the five runs of `target` in place and returns what the file was.
// Through the locked handle it first saves the 35 bytes it will replace, and
// refuses (writing nothing, naming the edition found) a file that is not
// Simplified or Traditional or too short for all five runs. It returns once
// the runs are synced and the file closed; if a write or the sync fails, the
// saved bytes are put back and synced, and the error says whether that did.
// From the open to the close, the signals that ask the program to end are
// held (FileCalls::HoldSignals).
RomReport ConvertRom(const std::filesystem::path& path, TargetScript target,
                     FileCalls& calls = FileCalls::System());

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_ENGINE_H_
