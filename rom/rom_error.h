// The one error type of the ROM engine: the system's code for a call that
// failed, or one of the engine's refusals; what() gives the whole report in
// Simplified Chinese, naming the file, so that a person can act on it.

#ifndef QORVANE_ROM_ROM_ERROR_H_
#define QORVANE_ROM_ROM_ERROR_H_

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
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
std::error_code make_error_code(RomRefusal refusal);  // message(): its words

enum class RomOperation { Open, Lock, Read, Write, Sync, Close };

// What a failed operation left of the file's content.
enum class FileOutcome {
  Unchanged,      // nothing was written
  Restored,       // runs were written, then the saved bytes were put back
  RestoreFailed,  // runs were written and putting them back failed too
  Converted,      // the runs were written and synced; a later step failed
};

class RomError : public std::runtime_error {
 public:
  // `edition`: what a refused file was found to be.
  RomError(RomOperation operation, const std::filesystem::path& path,
           std::error_code code, FileOutcome outcome = FileOutcome::Unchanged,
           RomEdition edition = RomEdition::Unrecognised);

  RomOperation operation() const { return operation_; }
  const std::error_code& code() const { return code_; }
  FileOutcome outcome() const { return outcome_; }
  RomEdition edition() const { return edition_; }
  // The report of what(), naming the file as `name` (what(): its path).
  std::string Report(std::string_view name) const;

 private:
  RomOperation operation_;
  std::error_code code_;
  FileOutcome outcome_;
  RomEdition edition_;
};

// What went wrong, in Simplified Chinese: the engine's own words for its
// refusals and the common system errors, the system's for the rest.
std::string DescribeError(std::error_code code);

}  // namespace qorvane

template <>
struct std::is_error_code_enum<qorvane::RomRefusal> : std::true_type {};

#endif  // QORVANE_ROM_ROM_ERROR_H_
