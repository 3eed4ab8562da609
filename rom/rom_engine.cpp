#include "rom/rom_engine.h"

#include <array>

#include "rom/rom_error.h"
#include "rom/signal_hold.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;

bool NamesNoFile(std::error_code error) {
  return error == std::errc::no_such_file_or_directory ||
         error == std::errc::not_a_directory;
}

// Opens `path` for reading when it names a regular file. False when it names
// no file or something else (a directory, a device, a FIFO), which is then
// never opened, so nothing can block on it.
bool OpenForInspection(const fs::path& path, RomFile& file) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) return false;
  if (error) throw RomError(RomOperation::Open, path, error);
  if (status.type() != fs::file_type::regular) return false;

  error = file.Open(path, RomFile::Access::ReadOnly);
  if (NamesNoFile(error)) return false;  // gone since the look above
  if (error) throw RomError(RomOperation::Open, path, error);
  FileInfo info;
  if ((error = file.Stat(info)))
    throw RomError(RomOperation::Read, path, error);
  return info.regular;  // replaced by something else since the look above
}

// Fills `buffer` from `offset`; false when the file ends before it is full.
bool ReadExactly(RomFile& file, const fs::path& path, std::uint64_t offset,
                 std::span<std::uint8_t> buffer) {
  std::size_t got = 0;
  if (const std::error_code error = file.ReadAt(offset, buffer, got)) {
    throw RomError(RomOperation::Read, path, error);
  }
  return got == buffer.size();
}

RomEdition ReadSignature(RomFile& file, const fs::path& path,
                         SignatureBytes& signature) {
  if (!ReadExactly(file, path, SignatureOffset, signature)) {
    signature = {};  // a short file never keeps bytes of an earlier one
    return RomEdition::Unrecognised;
  }
  return ClassifySignature(signature);
}

void CloseChecked(RomFile& file, const fs::path& path, FileOutcome outcome) {
  if (const std::error_code error = file.Close()) {
    throw RomError(RomOperation::Close, path, error, outcome);
  }
}

using SavedRuns = std::array<PatchRun, kPatchSites.size()>;

// Puts back the first `count` saved runs and syncs; best effort.
FileOutcome Restore(RomFile& file, const SavedRuns& saved, std::size_t count) {
  bool restored = true;
  for (std::size_t i = 0; i < count; ++i) {
    restored = !file.WriteAt(kPatchSites[i].offset, saved[i]) && restored;
  }
  restored = restored && !file.Sync();
  return restored ? FileOutcome::Restored : FileOutcome::RestoreFailed;
}

}  // namespace

RomEdition InspectRom(const fs::path& path, SignatureBytes& signature,
                      FileCalls& calls) {
  RomFile file(calls);
  if (!OpenForInspection(path, file)) {
    signature = {};
    return RomEdition::Unrecognised;
  }
  const RomEdition edition = ReadSignature(file, path, signature);
  CloseChecked(file, path, FileOutcome::Unchanged);
  return edition;
}

RomEdition InspectRom(const fs::path& path) {
  SignatureBytes signature{};
  return InspectRom(path, signature);
}

void ConvertRom(const fs::path& path, TargetScript target, FileCalls& calls) {
  if (target == kNoScript) throw RomError(RefusalReason::NoTargetScript, path);

  // Something that is not a regular file is never opened for writing.
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() != fs::file_type::not_found && !error &&
      status.type() != fs::file_type::regular) {
    throw RomError(RefusalReason::NotRegularFile, path);
  }

  RomFile file(calls);
  if ((error = file.Open(path, RomFile::Access::ReadWrite))) {
    throw RomError(RomOperation::Open, path, error);
  }
  if ((error = file.TryLockExclusive())) {
    throw RomError(RomOperation::Lock, path, error);
  }

  // The checks below go through the locked handle, so they see the file
  // that will be written, whatever happened to the path since Browse.
  FileInfo info;
  if ((error = file.Stat(info)))
    throw RomError(RomOperation::Read, path, error);
  if (!info.regular) throw RomError(RefusalReason::NotRegularFile, path);
  if (info.size < kMinConvertibleSize) {
    throw RomError(RefusalReason::TooShort, path);
  }

  // Save the 35 bytes about to be replaced. Site 1 holds the signature.
  SavedRuns saved{};
  for (std::size_t i = 0; i < kPatchSites.size(); ++i) {
    if (!ReadExactly(file, path, kPatchSites[i].offset, saved[i])) {
      throw RomError(RefusalReason::TooShort, path);
    }
  }
  static_assert(kPatchSites[0].offset == SignatureOffset);
  const SignatureBytes signature{saved[0][0], saved[0][1], saved[0][2]};
  if (!IsConvertible(ClassifySignature(signature))) {
    throw RomError(RefusalReason::NotEnhancedEdition, path);
  }

  const PatchPlan plan = PatchRunsFor(target);
  // From the first write until the file is synced and closed, Ctrl-C,
  // SIGTERM and SIGHUP wait; they take effect when this function ends.
  const SignalHold hold;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    if ((error = file.WriteAt(plan[i].site.offset, plan[i].run))) {
      throw RomError(RomOperation::Write, path, error,
                     Restore(file, saved, i + 1));
    }
  }
  if ((error = file.Sync())) {
    throw RomError(RomOperation::Sync, path, error,
                   Restore(file, saved, plan.size()));
  }
  CloseChecked(file, path, FileOutcome::Converted);
}

RomReport ExamineRom(const fs::path& path) {
  RomReport report;
  RomFile file;
  if (!OpenForInspection(path, file)) return report;
  report.edition = ReadSignature(file, path, report.signature);
  if (IsConvertible(report.edition)) {
    const TargetScript script = ScriptOf(report.edition);
    for (const PatchSite& site : kPatchSites) {
      PatchRun found{};
      if (!ReadExactly(file, path, site.offset, found) ||
          found != RunFor(site, script)) {
        report.mismatched_sites.push_back(site);
      }
    }
  }
  CloseChecked(file, path, FileOutcome::Unchanged);
  return report;
}

}  // namespace qorvane
