#include "rom/rom_engine.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qorvane {
namespace {

namespace fs = std::filesystem;
using Runs = std::array<PatchRun, kPatchSites.size()>;

// What a file holds at the five sites, and what that makes it.
struct Survey {
  RomReport report;
  Runs runs{};
  bool whole = true;  // false: the file ends within a run
};

// Reads the five runs. The signature is site 1's first three bytes; for an
// enhanced edition, the sites that do not hold its runs whole are listed.
Survey SurveyRuns(RomFile& file) {
  Survey survey;
  RomReport& report = survey.report;
  for (std::size_t i = 0; i < kPatchSites.size(); ++i) {
    const std::size_t got = file.ReadAt(kPatchSites[i].offset, survey.runs[i]);
    survey.whole = survey.whole && got == kPatchRunSize;
    if (i == 0 && got >= report.signature.size()) {
      std::copy_n(survey.runs[0].begin(), report.signature.size(),
                  report.signature.begin());
      report.edition = ClassifySignature(report.signature);
    }
    if (IsConvertible(report.edition) &&
        (got < kPatchRunSize ||
         survey.runs[i] != RunFor(kPatchSites[i], report.signature))) {
      report.mismatched_sites.push_back(kPatchSites[i]);
    }
  }
  return survey;
}

// Puts back the first `count` saved runs and syncs; carries on past failures.
FileOutcome Restore(RomFile& file, const Runs& saved, std::size_t count) {
  bool restored = true;
  for (std::size_t i = 0; i < count; ++i) {
    restored = !file.TryWriteAt(kPatchSites[i].offset, saved[i]) && restored;
  }
  restored = !file.TrySync() && restored;
  return restored ? FileOutcome::Restored : FileOutcome::RestoreFailed;
}

}  // namespace

RomEdition InspectRom(const fs::path& path, SignatureBytes& signature,
                      FileCalls& calls) {
  signature = {};
  try {
    RomFile file(path, Access::ReadOnly, calls);
    SignatureBytes read{};
    if (file.ReadAt(SignatureOffset, read) == read.size()) signature = read;
    file.Close(FileOutcome::Unchanged);
  } catch (const RomError& error) {  // only opening gives these two
    if (error.code() != std::errc::no_such_file_or_directory &&
        error.code() != RomRefusal::NotRegularFile) {
      throw;
    }
  }
  return ClassifySignature(signature);
}

RomReport ExamineRom(const fs::path& path, FileCalls& calls) {
  RomFile file(path, Access::ReadOnly, calls);
  Survey survey = SurveyRuns(file);
  file.Close(FileOutcome::Unchanged);
  return std::move(survey.report);
}

RomReport ConvertRom(const fs::path& path, TargetScript target,
                     FileCalls& calls) {
  if (target == kNoScript) {
    throw RomError(RomOperation::Write, path, RomRefusal::NoTargetScript);
  }
  // Ctrl-C, SIGTERM and SIGHUP wait until the file is closed, on every way
  // out; nothing here waits long.
  struct Hold {
    explicit Hold(FileCalls& calls) : calls(calls) { calls.HoldSignals(true); }
    ~Hold() { calls.HoldSignals(false); }
    FileCalls& calls;
  } const hold(calls);
  RomFile file(path, Access::ReadWrite, calls);
  file.LockExclusive();
  // Through the locked handle: the file that will be written, whatever
  // happened to the path since it was chosen.
  Survey before = SurveyRuns(file);
  const RomEdition found = before.report.edition;
  if (!IsConvertible(found) || !before.whole) {  // a run cut short: too short
    throw RomError(RomOperation::Read, path,
                   IsConvertible(found) ? RomRefusal::TooShort
                                        : RomRefusal::NotEnhancedEdition,
                   FileOutcome::Unchanged, found);
  }

  // Site 1 first: a conversion cut short after it reads as the target
  // edition with runs that do not match, which converting again repairs.
  for (std::size_t i = 0; i < kPatchSites.size(); ++i) {
    const PatchRun run = RunFor(kPatchSites[i], HeadBytes(target));
    if (const auto error = file.TryWriteAt(kPatchSites[i].offset, run)) {
      throw RomError(RomOperation::Write, path, error,
                     Restore(file, before.runs, i + 1));
    }
  }
  if (const auto error = file.TrySync()) {
    throw RomError(RomOperation::Sync, path, error,
                   Restore(file, before.runs, kPatchSites.size()));
  }
  file.Close(FileOutcome::Converted);
  return std::move(before.report);
}

}  // namespace qorvane
