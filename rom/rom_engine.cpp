#include "rom/rom_engine.h"

#include <array>
#include <optional>

#include "rom/signal_hold.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;

// Opens `path` for reading when it names a regular file. A path that names
// no file or something else (a directory, a device, a FIFO) is never opened,
// so nothing can block on it or be started by it; it gives the reason.
std::optional<Refusal> OpenRegular(const fs::path& path, FileCalls& calls,
                                   std::optional<RomFile>& file) {
  std::error_code error;
  const fs::file_type type = FileTypeOf(path, error);
  if (type == fs::file_type::not_found) {
    throw RomError(RomOperation::Open, path,
                   std::make_error_code(std::errc::no_such_file_or_directory));
  }
  if (error) throw RomError(RomOperation::Open, path, error);
  if (type != fs::file_type::regular) return Refusal::NotRegularFile;
  file.emplace(path, RomFile::Access::ReadOnly, calls);
  // Replaced by something else since the look above?
  if (!file->Stat().regular) return Refusal::NotRegularFile;
  return std::nullopt;
}

// The signature, or 00 00 00 when the file ends before it.
SignatureBytes ReadSignature(RomFile& file) {
  SignatureBytes signature{};
  if (file.ReadAt(SignatureOffset, signature) < signature.size()) return {};
  return signature;
}

using SavedRuns = std::array<PatchRun, kPatchSites.size()>;

// The script whose runs an enhanced edition holds.
TargetScript ScriptOf(RomEdition edition) {
  return edition == RomEdition::Simplified ? kSimplifiedScript
                                           : kTraditionalScript;
}

// Puts back the first `count` saved runs and syncs; carries on past failures.
FileOutcome Restore(RomFile& file, const SavedRuns& saved, std::size_t count) {
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
  std::optional<RomFile> file;
  try {
    if (OpenRegular(path, calls, file)) return RomEdition::Unrecognised;
  } catch (const RomError& error) {
    if (error.NamesNoFile()) return RomEdition::Unrecognised;
    throw;
  }
  signature = ReadSignature(*file);
  file->Close(FileOutcome::Unchanged);
  return ClassifySignature(signature);
}

RomEdition InspectRom(const fs::path& path) {
  SignatureBytes signature{};
  return InspectRom(path, signature);
}

RomReport ExamineRom(const fs::path& path, FileCalls& calls) {
  std::optional<RomFile> file;
  if (const auto refusal = OpenRegular(path, calls, file)) {
    throw RomError(*refusal, path);
  }
  RomReport report;
  report.signature = ReadSignature(*file);
  report.edition = ClassifySignature(report.signature);
  if (IsConvertible(report.edition)) {
    for (const SitePatch& patch : PatchRunsFor(ScriptOf(report.edition))) {
      PatchRun found{};
      if (file->ReadAt(patch.site.offset, found) < found.size() ||
          found != patch.run) {
        report.mismatched_sites.push_back(patch.site);
      }
    }
  }
  file->Close(FileOutcome::Unchanged);
  return report;
}

RomReport ConvertRom(const fs::path& path, TargetScript target,
                     FileCalls& calls) {
  if (target == kNoScript) throw RomError(Refusal::NoTargetScript, path);

  RomFile file(path, RomFile::Access::ReadWrite, calls);
  file.LockExclusive();
  // The checks go through the locked handle, so they see the file that will
  // be written, whatever happened to the path since it was chosen.
  const RomFile::Info info = file.Stat();
  if (!info.regular) throw RomError(Refusal::NotRegularFile, path);
  if (info.size < kMinConvertibleSize) throw RomError(Refusal::TooShort, path);

  SavedRuns saved{};
  for (std::size_t i = 0; i < kPatchSites.size(); ++i) {
    if (file.ReadAt(kPatchSites[i].offset, saved[i]) < kPatchRunSize) {
      throw RomError(Refusal::TooShort, path);  // shrunk since the check
    }
  }
  // Site 1 holds the signature.
  RomReport before;
  before.signature = {saved[0][0], saved[0][1], saved[0][2]};
  before.edition = ClassifySignature(before.signature);
  if (!IsConvertible(before.edition)) {
    throw RomError(Refusal::NotEnhancedEdition, path);
  }
  const PatchPlan held = PatchRunsFor(ScriptOf(before.edition));
  for (std::size_t i = 0; i < held.size(); ++i) {
    if (saved[i] != held[i].run)
      before.mismatched_sites.push_back(held[i].site);
  }

  // Writing site 1 first means a conversion cut short after it reads as the
  // target edition with runs that do not match, which converting again
  // repairs.
  const PatchPlan plan = PatchRunsFor(target);
  // From the first write until the file is synced and closed, Ctrl-C,
  // SIGTERM and SIGHUP wait; they take effect when this function ends.
  const SignalHold hold;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    if (const auto error = file.TryWriteAt(plan[i].site.offset, plan[i].run)) {
      throw RomError(RomOperation::Write, path, error,
                     Restore(file, saved, i + 1));
    }
  }
  if (const auto error = file.TrySync()) {
    throw RomError(RomOperation::Sync, path, error,
                   Restore(file, saved, plan.size()));
  }
  file.Close(FileOutcome::Converted);
  return before;
}

}  // namespace qorvane
