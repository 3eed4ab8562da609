#include <gtest/gtest.h>

#include <optional>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

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

using Why = std::variant<RomOperation, Refusal>;
Why WhyOf(const RomError& error) {
  if (const auto* failure = std::get_if<SystemFailure>(&error.reason())) {
    return failure->operation;
  }
  return std::get<Refusal>(error.reason());
}

TEST(ConvertRomTest, RefusesWithoutWritingAByte) {
  testing::Scratch dir;
  fs::create_directory(dir / "folder.gba");
  const fs::path locked = dir.MakeRom(RomEdition::Simplified);
  auto holder = std::make_optional<RomFile>(locked, RomFile::Access::ReadOnly);
  holder->LockExclusive();  // as another conversion does
#ifdef _WIN32
  const fs::path device = "NUL";
#else
  const fs::path device = "/dev/null";
#endif
  const std::tuple<fs::path, TargetScript, Why> cases[] = {
      {dir.MakeRom(RomEdition::Simplified, 0xC2A0A), 2, Refusal::TooShort},
      {dir.MakeRom(RomEdition::NotEnhanced), 1, Refusal::NotEnhancedEdition},
      {dir.MakeRom(RomEdition::Unrecognised), 2, Refusal::NotEnhancedEdition},
      {dir.MakeRom(RomEdition::Simplified), 0, Refusal::NoTargetScript},
      {dir / "folder.gba", 1, Open},
      {device, 1, Refusal::NotRegularFile},
      {dir / "missing.gba", 1, Open},
      {locked, 2, Lock},
  };
  for (const auto& [path, target, why] : cases) {
    SCOPED_TRACE(path.string());
    const bool file = fs::is_regular_file(path);
    const Bytes before = file ? ReadFileBytes(path) : Bytes{};
    try {
      ConvertRom(path, target);
      ADD_FAILURE() << "converted";
    } catch (const RomError& error) {
      EXPECT_EQ(WhyOf(error), why) << error.what();
      EXPECT_EQ(error.outcome(), Unchanged);
      EXPECT_EQ(error.path(), path);
    }
    EXPECT_EQ(file ? ReadFileBytes(path) : Bytes{}, before);
  }
  EXPECT_FALSE(fs::exists(dir / "missing.gba")) << "created";
  holder.reset();
  ConvertRom(locked, 2);  // the lock went with its holder
}

// Passes every call to the system and records it ("w 4096+7": a write of
// 7 bytes at 4096; "s", "c": a sync, a close). Call `nth` (counting them
// all) can be made to fail, come back short (one byte: half a run would be
// its three head bytes, and hide a write not continued), be interrupted, fail
// from then on, or come back short with its continuation failing.
enum class Fault { None, Fail, Short, Interrupt, Sticky, ShortThenFail };
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
TEST(ConvertRomTest, WritesTheRunsByTheScript) {
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

TEST(ConvertRomTest, EveryFaultLeavesTheFileWholeAndIsReported) {
  testing::Scratch dir;
  for (Fault fault : {Fault::Fail, Fault::Sticky, Fault::Short,
                      Fault::Interrupt, Fault::ShortThenFail}) {
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
      // The first call that failed decides the error and the file.
      const int failing = fault == Fault::ShortThenFail ? nth + 1 : nth;
      const bool fails = fault != Fault::Short && fault != Fault::Interrupt &&
                         failing <= static_cast<int>(calls.calls.size());
      ASSERT_EQ(error.has_value(), fails) << (error ? error->what() : "");
      const char op = fails ? calls.calls[failing - 1][0] : 'c';
      const FileOutcome outcome = !fails || op == 'c'      ? Converted
                                  : op == 'r'              ? Unchanged
                                  : fault == Fault::Sticky ? RestoreFailed
                                                           : Restored;
      if (fails) {
        EXPECT_EQ(WhyOf(*error), Why(op == 'r'   ? Read
                                     : op == 'w' ? Write
                                     : op == 's' ? Sync
                                                 : Close));
        EXPECT_EQ(error->outcome(), outcome) << error->what();
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
