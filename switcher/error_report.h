// The one wording of the engine's errors, in Simplified Chinese, from the
// words in switcher_texts.h: the windows' report and the command line's
// line both come from here.

#ifndef QORVANE_SWITCHER_ERROR_REPORT_H_
#define QORVANE_SWITCHER_ERROR_REPORT_H_

#include <exception>
#include <string>
#include <string_view>
#include <system_error>

#include "rom/rom_error.h"

namespace qorvane {

// What went wrong: the project's words for the engine's refusals and the
// common system errors, the system's own for the rest.
std::string DescribeError(std::error_code code);

// What failed on which file, why, and what became of the file, naming the
// file as `name`.
std::string ErrorReport(const RomError& error, std::string_view name);

// What a window shows, under texts::kErrorTitle, before an error ends the
// program: a lead line that tells a ROM file error from a fault of the
// program, then the error's own report (naming the file by its path),
// joined by a carriage return.
std::string FatalErrorText(const std::exception_ptr& error);

}  // namespace qorvane

#endif  // QORVANE_SWITCHER_ERROR_REPORT_H_
