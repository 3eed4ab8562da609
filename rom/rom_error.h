// The one error type of the ROM engine. It holds one reason (a system error
// during an operation, or a check that refused the file) and what became of
// the file; what() gives the whole report in Simplified Chinese, naming the
// file, so a person can act on it.

#ifndef QORVANE_ROM_ROM_ERROR_H_
#define QORVANE_ROM_ROM_ERROR_H_

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <variant>

namespace qorvane {

enum class RomOperation { Open, Lock, Read, Write, Sync, Close };

// A system call that failed, and the system's code for why.
struct SystemFailure {
  RomOperation operation;
  std::error_code code;
};

// Why a check refused a file before anything was written.
enum class Refusal {
  NotRegularFile,
  TooShort,
  NotEnhancedEdition,
  NoTargetScript
};

// What a failed operation left of the file's content.
enum class FileOutcome {
  Unchanged,      // nothing was written
  Restored,       // runs were written, then the saved bytes were put back
  RestoreFailed,  // runs were written and putting them back failed too
  Converted,      // the runs were written and synced; a later step failed
};

class RomError : public std::runtime_error {
 public:
  using Reason = std::variant<SystemFailure, Refusal>;

  RomError(RomOperation operation, std::filesystem::path path,
           std::error_code code, FileOutcome outcome = FileOutcome::Unchanged);
  RomError(Refusal refusal, std::filesystem::path path);

  const Reason& reason() const { return reason_; }
  const std::filesystem::path& path() const { return path_; }
  FileOutcome outcome() const { return outcome_; }
  // What went wrong, in Simplified Chinese ("磁盘空间不足", ...).
  std::string description() const;
  // The whole report, as what() gives it, with the file named as `name`
  // (what() names it by its path as UTF-8).
  std::string Report(std::string_view name) const;
  // True when opening failed because the path names no file.
  bool NamesNoFile() const;

 private:
  Reason reason_;
  std::filesystem::path path_;
  FileOutcome outcome_;
};

// A plain description of a system error code in Simplified Chinese.
std::string DescribeSystemError(std::error_code code);

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_ERROR_H_
