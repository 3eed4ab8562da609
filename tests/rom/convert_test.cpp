#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "rom/rom_error.h"
#include "tools/rom_image.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace qorvane {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::RomImageBuilder;

// Every byte of the file, with the 35 run bytes replaced by the literal runs
// of `target`; the other bytes as in `original`.
Bytes Converted(Bytes original, TargetScript target) {
  const bool simplified = target == 1;
  const Bytes head =
      simplified ? Bytes{0x64, 0x48, 0x60} : Bytes{0xC2, 0x33, 0x7D};
  const std::vector<std::pair<std::uint64_t, Bytes>> tails = {
      {0xC1038, {0x48, 0xAB}},
      {0xC1248, {0x48, 0xAB}},
      {0xC1458, {0x48, 0xAB}},
      {0x6AE88, {0x84, 0x27}},
      {0xC2A04, {0x48, 0xAB}}};
  for (const auto& [offset, tail] : tails) {
    const Bytes run = {head[0], head[1], head[2], 0x08, tail[0], tail[1], 0x00};
    std::copy(run.begin(), run.end(),
              original.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  return original;
}

class ConvertRomTest : public ::testing::Test {
 protected:
  std::filesystem::path MakeRom(RomEdition edition,
                                std::uint64_t size = 0x100000) {
    auto path = dir_ / ("rom-" + std::to_string(count_++) + ".gba");
    RomImageBuilder().Size(size).Edition(edition).WriteTo(path);
    return path;
  }

  testing::TempDir dir_;
  int count_ = 0;
};

TEST_F(ConvertRomTest, ChangesOnlyTheRunBytesAndBack) {
  const auto path = MakeRom(RomEdition::Simplified);
  const Bytes original = ReadFileBytes(path);

  ConvertRom(path, 2);
  EXPECT_EQ(ReadFileBytes(path), Converted(original, 2));
  EXPECT_EQ(InspectRom(path), RomEdition::Traditional);

  ConvertRom(path, 1);
  EXPECT_EQ(ReadFileBytes(path), original);
  EXPECT_EQ(InspectRom(path), RomEdition::Simplified);
}

TEST_F(ConvertRomTest, SameTargetTwiceLeavesTheFileAsAfterOnce) {
  const auto path = MakeRom(RomEdition::Simplified);
  ConvertRom(path, 2);
  const Bytes once = ReadFileBytes(path);
  ConvertRom(path, 2);
  EXPECT_EQ(ReadFileBytes(path), once);
  ConvertRom(path, 3);  // any target other than 1 is traditional
  EXPECT_EQ(ReadFileBytes(path), once);
}

TEST_F(ConvertRomTest, FileOfExactlyTheNeededLengthKeepsIt) {
  const auto path = MakeRom(RomEdition::Traditional, 0xC2A0B);
  const Bytes original = ReadFileBytes(path);
  ConvertRom(path, 1);
  EXPECT_EQ(ReadFileBytes(path), Converted(original, 1));
}

void ExpectRefused(const std::function<void()>& convert, RomOperation operation,
                   RefusalReason refusal = RefusalReason::None) {
  try {
    convert();
    ADD_FAILURE() << "conversion succeeded";
  } catch (const RomError& error) {
    EXPECT_EQ(error.operation(), operation) << error.what();
    EXPECT_EQ(error.refusal(), refusal) << error.what();
    EXPECT_EQ(error.outcome(), FileOutcome::Unchanged) << error.what();
  }
}

TEST_F(ConvertRomTest, RefusesWithoutWritingAByte) {
  struct Case {
    const char* what;
    std::uint64_t size;
    RomEdition edition;
    TargetScript target;
    RefusalReason reason;
  };
  const std::vector<Case> cases = {
      {"too short for site 5", 0xC2A0A, RomEdition::Simplified, 2,
       RefusalReason::TooShort},
      {"not enhanced", 0x100000, RomEdition::NotEnhanced, 1,
       RefusalReason::NotEnhancedEdition},
      {"unrecognised", 0x100000, RomEdition::Unrecognised, 2,
       RefusalReason::NotEnhancedEdition},
      {"no script", 0x100000, RomEdition::Simplified, 0,
       RefusalReason::NoTargetScript},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto path = MakeRom(c.edition, c.size);
    const Bytes original = ReadFileBytes(path);
    ExpectRefused([&] { ConvertRom(path, c.target); }, RomOperation::Check,
                  c.reason);
    EXPECT_EQ(ReadFileBytes(path), original);
  }
}

TEST_F(ConvertRomTest, MissingFileIsAnErrorAndIsNotCreated) {
  const auto path = dir_ / "gone.gba";
  ExpectRefused([&] { ConvertRom(path, 1); }, RomOperation::Open);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ConvertRomTest, ReadOnlyFileIsAnOpenErrorAndStaysAsItWas) {
  const auto path = MakeRom(RomEdition::Simplified);
  const Bytes original = ReadFileBytes(path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  const int result = testing::RunUnprivileged([&] {
    try {
      ConvertRom(path, 2);
    } catch (const RomError& error) {
      const bool right = error.operation() == RomOperation::Open &&
                         error.description() == "没有访问此文件的权限" &&
                         error.outcome() == FileOutcome::Unchanged;
      return right ? 0 : 2;
    }
    return 1;  // converted a file it had no right to write
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFileBytes(path), original);
}

TEST_F(ConvertRomTest, SomethingOtherThanAFileIsRefused) {
  const auto folder = dir_ / "folder.gba";
  std::filesystem::create_directory(folder);
  ExpectRefused([&] { ConvertRom(folder, 1); }, RomOperation::Check,
                RefusalReason::NotRegularFile);
  ExpectRefused([&] { ConvertRom("/dev/null", 1); }, RomOperation::Check,
                RefusalReason::NotRegularFile);
}

TEST_F(ConvertRomTest, FileLockedByAnotherConversionIsAnError) {
  const auto path = MakeRom(RomEdition::Simplified);
  const Bytes original = ReadFileBytes(path);
  const int holder = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  try {
    ConvertRom(path, 2);
    ADD_FAILURE() << "conversion of a locked file succeeded";
  } catch (const RomError& error) {
    EXPECT_EQ(error.operation(), RomOperation::Lock);
    EXPECT_EQ(error.description(), "文件被其他程序占用");
  }
  ::close(holder);
  EXPECT_EQ(ReadFileBytes(path), original);
  ConvertRom(path, 2);  // the lock is gone with its holder
  EXPECT_EQ(InspectRom(path), RomEdition::Traditional);
}

// Passes every call to the system but one: the Nth (counting reads, writes
// and syncs together) fails, comes back short, or is interrupted. With
// `sticky`, every call from the Nth on fails.
class FaultyCalls : public FileCalls {
 public:
  enum class Fault { Fail, Short, Interrupt };

  FaultyCalls(int nth, Fault fault, std::errc error = std::errc::io_error,
              bool sticky = false)
      : nth_(nth), fault_(fault), error_(error), sticky_(sticky) {}

  IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                  std::uint64_t offset) override {
    std::size_t size = buffer.size();
    if (auto failure = Inject(size)) return *failure;
    return FileCalls::ReadAt(handle, buffer.first(size), offset);
  }
  IoResult WriteAt(NativeHandle handle, std::span<const std::uint8_t> data,
                   std::uint64_t offset) override {
    std::size_t size = data.size();
    if (auto failure = Inject(size)) return *failure;
    return FileCalls::WriteAt(handle, data.first(size), offset);
  }
  std::error_code Sync(NativeHandle handle) override {
    std::size_t none = 0;
    if (auto failure = Inject(none)) return failure->error;
    return FileCalls::Sync(handle);
  }

  int calls() const { return calls_; }

 private:
  // A failure to return instead of calling the system, if any; a short call
  // passes on only the first byte. (Half a run would be its three head
  // bytes, the only ones that differ between the editions, and would hide a
  // write that is not continued.)
  std::optional<IoResult> Inject(std::size_t& size) {
    ++calls_;
    if (calls_ < nth_ || (calls_ > nth_ && !sticky_)) return std::nullopt;
    switch (fault_) {
      case Fault::Fail:
        return IoResult{0, std::make_error_code(error_)};
      case Fault::Interrupt:
        return IoResult{0, std::make_error_code(std::errc::interrupted)};
      case Fault::Short:
        size = std::min<std::size_t>(size, 1);
        break;
    }
    return std::nullopt;
  }

  int nth_;
  Fault fault_;
  std::errc error_;
  bool sticky_;
  int calls_ = 0;
};

TEST_F(ConvertRomTest, EveryFailingCallLeavesTheFileAsItWasAndSaysSo) {
  const auto probe = MakeRom(RomEdition::Simplified);
  FaultyCalls counter(1 << 30, FaultyCalls::Fault::Fail);
  ConvertRom(probe, 2, counter);
  const int total = counter.calls();
  ASSERT_EQ(total, 11) << "5 saving reads, 5 writes, 1 sync";

  for (std::errc code : {std::errc::io_error, std::errc::no_space_on_device}) {
    for (int nth = 1; nth <= total; ++nth) {
      SCOPED_TRACE("call " + std::to_string(nth));
      const auto path = MakeRom(RomEdition::Simplified);
      const Bytes original = ReadFileBytes(path);
      FaultyCalls calls(nth, FaultyCalls::Fault::Fail, code);
      try {
        ConvertRom(path, 2, calls);
        ADD_FAILURE() << "the failure was swallowed";
      } catch (const RomError& error) {
        EXPECT_EQ(error.code(), std::make_error_code(code));
        const bool wrote = nth > 5;
        EXPECT_EQ(error.outcome(),
                  wrote ? FileOutcome::Restored : FileOutcome::Unchanged);
        EXPECT_EQ(error.operation(), nth <= 5    ? RomOperation::Read
                                     : nth <= 10 ? RomOperation::Write
                                                 : RomOperation::Sync);
        if (code == std::errc::no_space_on_device) {
          EXPECT_NE(std::string(error.what()).find("磁盘空间不足"),
                    std::string::npos);
        }
      }
      EXPECT_EQ(ReadFileBytes(path), original);
    }
  }
}

TEST_F(ConvertRomTest, ShortAndInterruptedCallsStillConvertFully) {
  for (FaultyCalls::Fault fault :
       {FaultyCalls::Fault::Short, FaultyCalls::Fault::Interrupt}) {
    for (int nth = 1; nth <= 12; ++nth) {
      SCOPED_TRACE("call " + std::to_string(nth));
      const auto path = MakeRom(RomEdition::Traditional);
      const Bytes original = ReadFileBytes(path);
      FaultyCalls calls(nth, fault);
      ConvertRom(path, 1, calls);
      EXPECT_EQ(ReadFileBytes(path), Converted(original, 1));
    }
  }
}

TEST_F(ConvertRomTest, FailedRestoreIsReported) {
  const auto path = MakeRom(RomEdition::Simplified);
  FaultyCalls calls(8, FaultyCalls::Fault::Fail, std::errc::io_error,
                    /*sticky=*/true);
  try {
    ConvertRom(path, 2, calls);
    ADD_FAILURE() << "the failure was swallowed";
  } catch (const RomError& error) {
    EXPECT_EQ(error.operation(), RomOperation::Write);
    EXPECT_EQ(error.outcome(), FileOutcome::RestoreFailed);
    EXPECT_NE(std::string(error.what()).find("还原已写入的数据也失败了"),
              std::string::npos)
        << error.what();
  }
}

TEST_F(ConvertRomTest, ChineseFileNameWorks) {
  const auto path = dir_ / std::filesystem::path(u8"测试用 简体版.gba");
  RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(path);
  ConvertRom(path, 2);
  EXPECT_EQ(InspectRom(path), RomEdition::Traditional);
}

}  // namespace
}  // namespace qorvane
