// The one error type of the ROM engine: the system's code for a call that
// failed, or one of the engine's refusals (a category of its own), with
// what the engine was doing, on which file, what became of the file and
// what it was found to be. The words a person reads are the front ends'.

#ifndef QORVANE_ROM_ROM_ERROR_H_
#define QORVANE_ROM_ROM_ERROR_H_

#include <filesystem>
#include <system_error>
#include <type_traits>

#include "rom/edition_table.h"

namespace qorvane {

// Why the engine refused a file before writing anything.
enum class RomRefusal {
  NoTargetScript = 1,
  NotRegularFile,  // a directory, a device, a FIFO
  TooShort,
  NotEnhancedEdition,
};
std::error_code make_error_code(RomRefusal refusal);

enum class RomOperation { Open, Lock, Read, Write, Sync, Close };

// What a failed operation left of the file's content.
enum class FileOutcome {
  Unchanged,      // nothing was written
  Restored,       // runs were written, then the saved bytes were put back
  RestoreFailed,  // runs were written and putting them back failed too
  Converted,      // the runs were written and synced; a later step failed
};

class RomError : public std::system_error {
 public:
  // `edition`: what a refused file was found to be.
  RomError(RomOperation operation, const std::filesystem::path& path,
           std::error_code code, FileOutcome outcome = FileOutcome::Unchanged,
           RomEdition edition = RomEdition::Unrecognised)
      : std::system_error(code),
        operation_(operation),
        path_(path),
        outcome_(outcome),
        edition_(edition) {}

  RomOperation operation() const { return operation_; }
  const std::filesystem::path& path() const { return path_; }
  FileOutcome outcome() const { return outcome_; }
  RomEdition edition() const { return edition_; }
  bool refused() const;  // one of the engine's refusals

 private:
  RomOperation operation_;
  std::filesystem::path path_;
  FileOutcome outcome_;
  RomEdition edition_;
};

}  // namespace qorvane

template <>
struct std::is_error_code_enum<qorvane::RomRefusal> : std::true_type {};

#endif  // QORVANE_ROM_ROM_ERROR_H_
