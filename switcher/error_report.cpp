#include "switcher/error_report.h"

#include "rom/rom_file.h"
#include "switcher/switcher_texts.h"
#include "text/text.h"

namespace qorvane {

std::string DescribeError(std::error_code code) {
  if (code.category() == make_error_code(RomRefusal::TooShort).category()) {
    const auto refusal = static_cast<RomRefusal>(code.value());
    std::string words(texts::kRefusals[code.value() - 1]);
    if (refusal != RomRefusal::TooShort) return words;
    return words + std::to_string(kMinConvertibleSize) +
           std::string(texts::kTooShortEnd);
  }
  for (const texts::SystemErrorWords& known : texts::kSystemErrors) {
    for (const std::errc condition : known.conditions) {
      if (code == condition) return std::string(known.words);
    }
  }
  return std::string(texts::kOtherSystemError) +
         FileCalls::System().ErrorWords(code);
}

std::string ErrorReport(const RomError& error, std::string_view name) {
  std::string text;
  if (error.refused()) {
    text = texts::kRefused;
  } else {
    text.append(texts::kFailed)
        .append(texts::kOperations[static_cast<int>(error.operation())])
        .append(texts::kOnFile);
  }
  text.append(name).append(texts::kReasonAfterName);
  text += DescribeError(error.code());
  if (!error.refused()) {
    text.append(texts::kCodeBefore)
        .append(std::to_string(error.code().value()))
        .append(texts::kCodeAfter);
  }
  return text.append(texts::kReportEnd)
      .append(texts::kOutcomes[static_cast<int>(error.outcome())]);
}

std::string FatalErrorText(const std::exception_ptr& error) {
  std::string_view lead = texts::kInternalErrorLead;
  std::string report;
  try {
    std::rethrow_exception(error);
  } catch (const RomError& caught) {
    lead = texts::kFileErrorLead;
    report = ErrorReport(caught, PathToUtf8(caught.path()));
  } catch (const std::exception& caught) {
    report = caught.what();
  } catch (...) {
  }
  return std::string(lead) + "\r" + report;
}

}  // namespace qorvane
