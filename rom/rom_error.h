// The one error type of the ROM engine. It names what failed, on which file,
// the system's error code, and a plain description in Simplified Chinese that
// a person can act on; what() gives the whole report in one text.

#ifndef QORVANE_ROM_ROM_ERROR_H_
#define QORVANE_ROM_ROM_ERROR_H_

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace qorvane {

enum class RomOperation {
  Open,
  Lock,
  Read,
  Write,
  Sync,
  Close,
  Check,  // a check refused the file before anything was written
};

// What a failed operation left of the file's content.
enum class FileOutcome {
  Unchanged,      // nothing was written
  Restored,       // runs were written, then the saved bytes were put back
  RestoreFailed,  // runs were written and putting them back failed too
  Converted,      // the runs were written and synced; a later step failed
};

// Why a check refused a file, with nothing written.
enum class RefusalReason {
  None,
  NotRegularFile,
  TooShort,
  NotEnhancedEdition,
  NoTargetScript,
};

class RomError : public std::runtime_error {
 public:
  // An error the system reported.
  RomError(RomOperation operation, std::filesystem::path path,
           std::error_code code, FileOutcome outcome = FileOutcome::Unchanged);
  // A check that refused the file; nothing was written.
  RomError(RefusalReason reason, std::filesystem::path path);

  RomOperation operation() const { return operation_; }
  const std::filesystem::path& path() const { return path_; }
  std::error_code code() const { return code_; }
  FileOutcome outcome() const { return outcome_; }
  RefusalReason refusal() const { return refusal_; }
  // What went wrong, in Simplified Chinese ("磁盘空间不足", ...).
  const std::string& description() const { return description_; }

 private:
  RomOperation operation_;
  std::filesystem::path path_;
  std::error_code code_;
  FileOutcome outcome_;
  RefusalReason refusal_ = RefusalReason::None;
  std::string description_;
};

// A path as UTF-8 text for display, whatever the platform's native form.
std::string PathToUtf8(const std::filesystem::path& path);
// UTF-8 text as a path.
std::filesystem::path Utf8ToPath(const std::string& text);

// What an outcome left of the file, in Simplified Chinese.
std::string OutcomeText(FileOutcome outcome);
// The operation's name as a person reads it ("写入").
std::string OperationText(RomOperation operation);
// A plain description of a system error code in Simplified Chinese.
std::string DescribeSystemError(std::error_code code);

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_ERROR_H_
