#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadFileBytes;

// `bytes` with the five runs of `target` written out in full.
Bytes Converted(Bytes bytes, TargetScript target) {
  const std::string head = target == 1 ? "644860" : "C2337D";
  for (int site : {0xC1038, 0xC1248, 0xC1458, 0x6AE88, 0xC2A04}) {
    const std::string run = head + (site == 0x6AE88 ? "08842700" : "0848AB00");
    for (int i = 0; i < 7; ++i) {
      bytes[site + i] = std::stoi(run.substr(2 * i, 2), nullptr, 16);
    }
  }
  return bytes;
}

TEST(ConvertRomTest, ChangesOnlyTheRunBytes) {
  testing::Scratch dir;
  using Case = std::tuple<RomEdition, std::uint64_t, std::vector<int>>;
  for (const auto& [from, size, targets] : std::vector<Case>{
           {RomEdition::Simplified, 0x100000, {2}},
           {RomEdition::Simplified, 0x100000, {2, 1}},
           {RomEdition::Simplified, 0x100000, {2, 2}},
           {RomEdition::Traditional, 0xC2A0B, {1}},   // just long enough
           {RomEdition::Traditional, 0x100000, {3}},  // any other target
       }) {
    const fs::path path = dir.MakeRom(from, size);
    const Bytes original = ReadFileBytes(path);
    for (int target : targets) ConvertRom(path, target);
    EXPECT_EQ(ReadFileBytes(path), Converted(original, targets.back()))
        << ::testing::PrintToString(targets);
  }
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
  struct Case {
    fs::path path;
    TargetScript target;
    Why why;
  };
  const std::vector<Case> cases = {
      {dir.MakeRom(RomEdition::Simplified, 0xC2A0A), 2, Refusal::TooShort},
      {dir.MakeRom(RomEdition::NotEnhanced), 1, Refusal::NotEnhancedEdition},
      {dir.MakeRom(RomEdition::Unrecognised), 2, Refusal::NotEnhancedEdition},
      {dir.MakeRom(RomEdition::Simplified), 0, Refusal::NoTargetScript},
      {dir / "folder.gba", 1, RomOperation::Open},
      {device, 1, Refusal::NotRegularFile},
      {dir / "missing.gba", 1, RomOperation::Open},
      {locked, 2, RomOperation::Lock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    const bool file = fs::is_regular_file(c.path);
    const Bytes before = file ? ReadFileBytes(c.path) : Bytes{};
    try {
      ConvertRom(c.path, c.target);
      ADD_FAILURE() << "converted";
    } catch (const RomError& error) {
      EXPECT_EQ(WhyOf(error), c.why) << error.what();
      EXPECT_EQ(error.outcome(), FileOutcome::Unchanged);
      EXPECT_EQ(error.path(), c.path);
    }
    if (file) {
      EXPECT_EQ(ReadFileBytes(c.path), before);
    }
  }
  EXPECT_FALSE(fs::exists(dir / "missing.gba")) << "created";
  holder.reset();
  ConvertRom(locked, 2);  // the lock went with its holder
}

// Passes every call to the system and records it ("w C1038+7": a write of
// 7 bytes at 0xC1038; "s", "c": a sync, a close). The Nth call (counting
// them all) can be made to fail, come back short (one byte: half a run would
// be its three head bytes, and hide a write not continued), be interrupted,
// fail from then on, or come back short with its continuation failing.
enum class Fault { None, Fail, Short, Interrupt, Sticky, ShortThenFail };
class ScriptedCalls : public FileCalls {
 public:
  explicit ScriptedCalls(int nth = 0, Fault fault = Fault::None)
      : nth_(nth), fault_(fault) {}

  IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                  std::uint64_t offset) override {
    const auto [size, error] = Next("r", offset, buffer.size());
    if (error) return {0, error};
    return FileCalls::ReadAt(handle, buffer.first(size), offset);
  }
  IoResult WriteAt(NativeHandle handle, std::span<const std::uint8_t> data,
                   std::uint64_t offset) override {
    const auto [size, error] = Next("w", offset, data.size());
    if (error) return {0, error};
    return FileCalls::WriteAt(handle, data.first(size), offset);
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

  std::vector<std::string> calls;

 private:
  std::pair<std::size_t, std::error_code> Next(const char* op,
                                               std::uint64_t offset,
                                               std::size_t size) {
    const int n = static_cast<int>(calls.size()) + 1;
    const bool here = n == nth_;
    if (here && (fault_ == Fault::Short || fault_ == Fault::ShortThenFail)) {
      size = std::min<std::size_t>(size, 1);
    }
    char text[32];
    std::snprintf(text, sizeof text, size ? "%s %llX+%zu" : "%s", op,
                  static_cast<unsigned long long>(offset), size);
    calls.emplace_back(text);
    const Fault fault = n >= nth_ && fault_ == Fault::Sticky ? Fault::Fail
                        : n == nth_ + 1 && fault_ == Fault::ShortThenFail
                            ? Fault::Fail
                        : here ? fault_
                               : Fault::None;
    if (fault == Fault::Fail) return {0, make_error_code(std::errc::io_error)};
    if (fault == Fault::Interrupt) {
      return {0, make_error_code(std::errc::interrupted)};
    }
    return {size, {}};
  }

  int nth_;
  Fault fault_;
};

TEST(ConvertRomTest, CallsFollowTheScript) {
  const std::vector<std::string> sites = {"C1038+7", "C1248+7", "C1458+7",
                                          "6AE88+7", "C2A04+7"};
  // `op` at the first `count` sites, then `tail`.
  const auto at = [&](const char* op, int count,
                      std::vector<std::string> tail) {
    std::vector<std::string> script;
    for (int i = 0; i < count; ++i) script.push_back(op + (" " + sites[i]));
    script.insert(script.end(), tail.begin(), tail.end());
    return script;
  };
  const auto join = [](std::vector<std::string> a, const auto& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const auto save = at("r", 5, {});
  const std::vector<std::pair<int, std::vector<std::string>>> cases = {
      {0, join(save, at("w", 5, {"s", "c"}))},
      // The third write fails: the three sites are restored, then synced.
      {8, join(save, join(at("w", 3, {}), at("w", 3, {"s", "c"})))},
      {11, join(save, join(at("w", 5, {"s"}), at("w", 5, {"s", "c"})))},
  };
  testing::Scratch dir;
  for (const auto& [nth, script] : cases) {
    ScriptedCalls calls(nth, Fault::Fail);
    const fs::path path = dir.MakeRom(RomEdition::Simplified);
    try {
      ConvertRom(path, 2, calls);
      EXPECT_EQ(nth, 0);
    } catch (const RomError&) {
      EXPECT_NE(nth, 0);
    }
    EXPECT_EQ(calls.calls, script) << nth;
  }
}

TEST(ConvertRomTest, EveryFaultLeavesTheFileWholeAndIsReported) {
  testing::Scratch dir;
  constexpr int kCalls = 12;  // 5 reads, 5 writes, 1 sync, 1 close
  for (Fault fault : {Fault::Fail, Fault::Sticky, Fault::Short,
                      Fault::Interrupt, Fault::ShortThenFail}) {
    for (int nth = 1; nth <= kCalls; ++nth) {
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
      const int failing = fault == Fault::ShortThenFail ? nth + 1 : nth;
      const bool fails = fault != Fault::Short && fault != Fault::Interrupt &&
                         failing <= static_cast<int>(calls.calls.size());
      ASSERT_EQ(error.has_value(), fails) << (error ? error->what() : "");
      if (!fails) {
        EXPECT_EQ(ReadFileBytes(path), Converted(original, 2));
        continue;
      }
      // The first call that failed decides the error and the file.
      const char op = calls.calls[failing - 1][0];
      const auto [operation, outcome] =
          op == 'r' ? std::pair{RomOperation::Read, FileOutcome::Unchanged}
          : op == 'c'
              ? std::pair{RomOperation::Close, FileOutcome::Converted}
              : std::pair{op == 'w' ? RomOperation::Write : RomOperation::Sync,
                          fault == Fault::Sticky ? FileOutcome::RestoreFailed
                                                 : FileOutcome::Restored};
      EXPECT_EQ(std::get<SystemFailure>(error->reason()).operation, operation);
      EXPECT_EQ(error->outcome(), outcome) << error->what();
      if (outcome != FileOutcome::RestoreFailed) {
        EXPECT_EQ(ReadFileBytes(path), outcome == FileOutcome::Converted
                                           ? Converted(original, 2)
                                           : original);
      }
    }
  }
}

}  // namespace
}  // namespace qorvane
