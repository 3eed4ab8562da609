#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <fstream>
#include <optional>
#include <string>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"
#include "tests/support/unprivileged.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;
using enum FileOutcome;
using enum RomOperation;
using testing::Bytes;
using testing::ReadFileBytes;
constexpr int kSites[] = {0xC1038, 0xC1248, 0xC1458, 0x6AE88, 0xC2A04};

// `bytes` with the five runs of `target` written out in full.
Bytes WithRuns(Bytes bytes, TargetScript target) {
  const std::string head = target == 1 ? "644860" : "C2337D";
  for (int site : kSites) {
    const std::string run = head + (site == 0x6AE88 ? "08842700" : "0848AB00");
    for (int i = 0; i < 7; ++i) {
      bytes[site + i] = std::stoi(run.substr(2 * i, 2), nullptr, 16);
    }
  }
  return bytes;
}

// Every kind of path, as inspection, examination and conversion see it: the
// same edition from each, the same refusal from the two that refuse.
TEST(RomTest, EveryKindOfPathGetsOneAnswer) {
  using enum RomEdition;
  testing::Scratch dir;
  fs::create_directory(dir / "folder.gba");
  const std::error_code missing =
      make_error_code(std::errc::no_such_file_or_directory);
  const std::error_code other = RomRefusal::NotRegularFile;
  const std::error_code wrong = RomRefusal::NotEnhancedEdition;
  const fs::path half = dir / "half.gba", near = dir / "near.gba";
  testing::RomImageBuilder()  // cut short after its third run
      .Edition(Simplified)
      .Put(0x6AE88, {0xC2, 0x33, 0x7D})
      .Put(0xC2A04, {0xC2, 0x33, 0x7D})
      .WriteTo(half);
  testing::RomImageBuilder()
      .Edition(Simplified)
      .Put(0xC103A, {0x61})
      .WriteTo(near);
  struct Kind {
    fs::path path;
    RomEdition edition;
    std::error_code refused;
    std::size_t mismatched = 0;
  };
  const Kind kinds[] = {
      {dir / "missing.gba", Unrecognised, missing},
      {dir.MakeRom(Simplified) / "below.gba", Unrecognised, missing},
      {dir / "folder.gba", Unrecognised, other},
#ifdef _WIN32
      {"NUL", Unrecognised, other},
#else
      {"/dev/null", Unrecognised, other},
      {dir / "fifo.gba", Unrecognised, other},  // and no waiting
#endif
      {dir.MakeRom(Simplified, SignatureOffset + 2), Unrecognised, wrong},
      {dir.MakeRom(Simplified, 0xC2A0A), Simplified, RomRefusal::TooShort, 1},
      {dir.MakeRom(Simplified), Simplified, {}},
      {dir.MakeRom(Traditional), Traditional, {}},
      {half, Simplified, {}, 2},
      {dir.MakeRom(NotEnhanced), NotEnhanced, wrong},
      {dir.MakeRom(Unrecognised), Unrecognised, wrong},
      {near, Unrecognised, wrong},
  };
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "fifo.gba").c_str(), 0600), 0);
#endif
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.path.string());
    const bool file = fs::is_regular_file(kind.path);
    const Bytes before = file ? ReadFileBytes(kind.path) : Bytes{};
    SignatureBytes signature{0x64, 0x48, 0x60};  // left from an earlier file
    EXPECT_EQ(InspectRom(kind.path, signature), kind.edition);
    EXPECT_EQ(ClassifySignature(signature), kind.edition);
    const bool opens = kind.refused != missing && kind.refused != other;
    try {
      const RomReport report = ExamineRom(kind.path);
      EXPECT_TRUE(opens);
      EXPECT_EQ(report.edition, kind.edition);
      EXPECT_EQ(report.mismatched_sites.size(), kind.mismatched);
    } catch (const RomError& error) {
      EXPECT_EQ(error.code(), kind.refused) << error.what();
    }
    try {
      const RomReport report = ConvertRom(kind.path, kTraditionalScript);
      EXPECT_FALSE(kind.refused);
      EXPECT_EQ(report.edition, kind.edition);
      EXPECT_EQ(report.mismatched_sites.size(), kind.mismatched);
      EXPECT_EQ(ReadFileBytes(kind.path), WithRuns(before, 2));
    } catch (const RomError& error) {
      EXPECT_EQ(error.code(), kind.refused) << error.what();
      EXPECT_EQ(error.edition(), kind.edition);
      EXPECT_EQ(error.outcome(), Unchanged);
      EXPECT_EQ(file ? ReadFileBytes(kind.path) : Bytes{}, before);
    }
    EXPECT_EQ(fs::exists(kind.path), kind.refused != missing) << "created";
  }
}

TEST(RomTest, ALockedFileAndNoScriptAreRefused) {
  testing::Scratch dir;
  const fs::path path = dir.MakeRom(RomEdition::Simplified);
  const Bytes before = ReadFileBytes(path);
  auto holder = std::make_optional<RomFile>(path, RomFile::Access::ReadOnly);
  holder->LockExclusive();  // as another conversion does
  for (const TargetScript target : {kTraditionalScript, kNoScript}) {
    try {
      ConvertRom(path, target);
      ADD_FAILURE() << "converted";
    } catch (const RomError& error) {
      EXPECT_EQ(error.operation(), target == kNoScript ? Write : Lock);
      EXPECT_EQ(error.code() == RomRefusal::NoTargetScript,
                target == kNoScript);
    }
  }
  EXPECT_EQ(ReadFileBytes(path), before);
  holder.reset();
  ConvertRom(path, 2);  // the lock went with its holder
}

TEST(RomTest, ReadOnlyFileIsInspectedAndNotConverted) {
  testing::Scratch dir;
  const auto path = dir.MakeRom(RomEdition::Traditional);
  const Bytes before = ReadFileBytes(path);
  fs::permissions(path, fs::perms(0444));
#ifdef _WIN32
  // Wine run as root writes a read-only file as root writes any file, and
  // has no other user to become.
  if (std::ofstream(path, std::ios::app)) {
    fs::permissions(path, fs::perms(0644));
    GTEST_SKIP() << "this user may write read-only files";
  }
#endif
  const int result = testing::RunUnprivileged([&] {
    if (InspectRom(path) != RomEdition::Traditional) return 1;
    try {
      ConvertRom(path, 1);
    } catch (const RomError& error) {
      return error.code() == std::errc::permission_denied ? 0 : 2;
    }
    return 3;  // converted a file it had no right to write
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFileBytes(path), before);
}

// Passes every call to the system and records it ("w 4096+7": a write of
// 7 bytes at 4096; "s", "c": a sync, a close). Call `nth` (counting them
// all) can be made to fail, come back short (one byte: half a run would be
// its three head bytes, and hide a write not continued), be interrupted, fail
// from then on, come back short with its continuation failing, or move
// nothing (a read: the file has shrunk since it was opened).
enum class Fault {
  None,
  Fail,
  Short,
  Interrupt,
  Sticky,
  ShortThenFail,
  Nothing
};
struct ScriptedCalls : FileCalls {
  ScriptedCalls(int nth = 0, Fault fault = Fault::None)
      : nth(nth), fault(fault) {}
  IoResult ReadAt(NativeHandle h, std::span<std::uint8_t> b,
                  std::uint64_t at) override {
    const auto [size, error] = Next("r ", at, b.size());
    return error ? IoResult{0, error} : FileCalls::ReadAt(h, b.first(size), at);
  }
  IoResult WriteAt(NativeHandle h, std::span<const std::uint8_t> b,
                   std::uint64_t at) override {
    const auto [size, error] = Next("w ", at, b.size());
    return error ? IoResult{0, error}
                 : FileCalls::WriteAt(h, b.first(size), at);
  }
  std::error_code Sync(NativeHandle handle) override {
    const std::error_code error = Next("s", 0, 0).second;
    return error ? error : FileCalls::Sync(handle);
  }
  std::error_code Close(NativeHandle handle) override {
    const std::error_code error = Next("c", 0, 0).second;
    const std::error_code closed = FileCalls::Close(handle);
    return error ? error : closed;
  }
  std::pair<std::size_t, std::error_code> Next(std::string op,
                                               std::uint64_t offset,
                                               std::size_t size) {
    const int n = static_cast<int>(calls.size()) + 1;
    const bool here = n == nth;
    if (here && (fault == Fault::Short || fault == Fault::ShortThenFail)) {
      size = std::min<std::size_t>(size, 1);
    }
    if (here && fault == Fault::Nothing) size = 0;
    calls.push_back(
        size ? op + std::to_string(offset) + "+" + std::to_string(size) : op);
    if ((here && (fault == Fault::Fail || fault == Fault::Interrupt)) ||
        (n >= nth && fault == Fault::Sticky) ||
        (n == nth + 1 && fault == Fault::ShortThenFail)) {
      return {0,
              make_error_code(fault == Fault::Interrupt ? std::errc::interrupted
                                                        : std::errc::io_error)};
    }
    return {size, {}};
  }
  int nth;
  Fault fault;
  std::vector<std::string> calls;
};

// Five seven-byte reads to save the runs, five seven-byte writes in site
// order, one sync, one close; only the runs' bytes change.
TEST(RomTest, ConversionWritesTheRunsByTheScript) {
  std::vector<std::string> script;
  for (const std::string op : {"r ", "w "}) {
    for (int site : kSites) script.push_back(op + std::to_string(site) + "+7");
  }
  script.insert(script.end(), {"s", "c"});
  testing::Scratch dir;  // just long enough
  const fs::path path = dir.MakeRom(RomEdition::Traditional, 0xC2A0B);
  const Bytes original = ReadFileBytes(path);
  for (TargetScript target : {1, 1, 2, 2, 3}) {  // 3: any other target
    ScriptedCalls calls;
    ConvertRom(path, target, calls);
    EXPECT_EQ(ReadFileBytes(path), WithRuns(original, target)) << target;
    EXPECT_EQ(calls.calls, script);
  }
}

TEST(RomTest, EveryFaultLeavesTheFileWholeAndIsReported) {
  testing::Scratch dir;
  for (Fault fault : {Fault::Fail, Fault::Sticky, Fault::Short,
                      Fault::Interrupt, Fault::ShortThenFail, Fault::Nothing}) {
    for (int nth = 1; nth <= 12; ++nth) {  // 5 reads, 5 writes, sync, close
      SCOPED_TRACE(::testing::Message() << int(fault) << " at call " << nth);
      const fs::path path = dir.MakeRom(RomEdition::Simplified);
      const Bytes original = ReadFileBytes(path);
      ScriptedCalls calls(nth, fault);
      std::optional<RomError> error;
      try {
        ConvertRom(path, 2, calls);
      } catch (const RomError& raised) {
        error = raised;
      }
      // The first call that failed decides the error and the file. Sync and
      // close move no bytes, so moving nothing is no fault of theirs.
      const int failing = fault == Fault::ShortThenFail ? nth + 1 : nth;
      const char op = failing <= static_cast<int>(calls.calls.size())
                          ? calls.calls[failing - 1][0]
                          : 'c';
      const bool fails = fault != Fault::Short && fault != Fault::Interrupt &&
                         failing <= static_cast<int>(calls.calls.size()) &&
                         (fault != Fault::Nothing || op == 'r' || op == 'w');
      ASSERT_EQ(error.has_value(), fails) << (error ? error->what() : "");
      const FileOutcome outcome = !fails || op == 'c'      ? Converted
                                  : op == 'r'              ? Unchanged
                                  : fault == Fault::Sticky ? RestoreFailed
                                                           : Restored;
      if (fails) {
        EXPECT_EQ(error->operation(), op == 'r'   ? Read
                                      : op == 'w' ? Write
                                      : op == 's' ? Sync
                                                  : Close);
        EXPECT_EQ(error->outcome(), outcome) << error->what();
        EXPECT_EQ(error->code().category() == RomRefusalCategory(),
                  fault == Fault::Nothing && op == 'r');
      }
      EXPECT_TRUE(outcome != Restored || calls.calls.end()[-2] == "s");
      if (outcome != RestoreFailed) {
        EXPECT_EQ(ReadFileBytes(path),
                  outcome == Converted ? WithRuns(original, 2) : original);
      }
    }
  }
}

}  // namespace
}  // namespace qorvane
