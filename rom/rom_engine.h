// Inspection and conversion of a ROM file. Both keep the file open only for
// the call, read only the bytes they need, and raise `RomError` on failure.
// All three open the file through RomFile, so a path gets the same answer
// from each: no file, not a regular file, or a regular file.

#ifndef QORVANE_ROM_ROM_ENGINE_H_
#define QORVANE_ROM_ROM_ENGINE_H_

#include <filesystem>
#include <vector>

#include "rom/edition_table.h"
#include "rom/rom_file.h"

namespace qorvane {

// Reads the three signature bytes into `signature` and names the edition.
// The file is opened for reading only and never changed or created. A path
// that names no file or something other than a regular file, or a file too
// short to hold the signature, is Unrecognised with `signature` 00 00 00;
// other failures raise RomError.
RomEdition InspectRom(const std::filesystem::path& path,
                      SignatureBytes& signature,
                      FileCalls& calls = FileCalls::System());
RomEdition InspectRom(const std::filesystem::path& path);

// The edition of a file, and for Simplified or Traditional the sites (in
// writing order) that do not hold that edition's run, as in a damaged or
// half-converted file.
struct RomReport {
  RomEdition edition = RomEdition::Unrecognised;
  SignatureBytes signature{};
  std::vector<PatchSite> mismatched_sites;
};

// Writes the five patch runs of `target` (1 simplified, any other non-zero
// value traditional) into the existing file, in place.
//
// Before the first write, through the same locked handle, it reads the 35
// bytes it will replace and refuses (RomRefusal, nothing written) a file that
// does not read as Simplified or Traditional or is too short for all five
// runs; the refusal carries the edition found. It returns only after the
// runs are written, synced to stable storage and the file is closed. If a
// write or the sync fails, the saved bytes are written back and synced, and
// the error says whether that worked. Returns what the file was before: its
// edition, and the runs the conversion repaired.
RomReport ConvertRom(const std::filesystem::path& path, TargetScript target,
                     FileCalls& calls = FileCalls::System());

// A closer look for reports: the signature and all five runs. Unlike
// InspectRom, a path that names no file or something other than a regular
// file raises RomError.
RomReport ExamineRom(const std::filesystem::path& path,
                     FileCalls& calls = FileCalls::System());

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_ENGINE_H_
