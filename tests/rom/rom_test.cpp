#ifdef _WIN32
#include <windows.h>  // before any header that might include it
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;
using enum FileOutcome;
using enum RomOperation;
using enum RomEdition;
using enum RomRefusal;
using testing::Bytes;
using testing::ReadFileBytes;
constexpr int kSites[] = {0xC1038, 0xC1248, 0xC1458, 0x6AE88, 0xC2A04};

// `bytes` with the five runs of `target` written out in full.
Bytes WithRuns(Bytes bytes, TargetScript target) {
  for (int site : kSites) {
    const std::string run = std::string(target == 1 ? "644860" : "C2337D") +
                            (site == 0x6AE88 ? "08842700" : "0848AB00");
    for (std::size_t i = 0; i < 7; ++i)
      bytes[site + i] = std::stoi(run.substr(2 * i, 2), nullptr, 16);
  }
  return bytes;
}

// Every kind of path as inspection, examination and conversion see it: the
// same edition from each, the same refusal from the two that refuse.
TEST(RomTest, EveryKindOfPathGetsOneAnswer) {
  testing::Scratch dir;
  fs::create_directory(dir / "folder.gba");
  const auto missing = make_error_code(std::errc::no_such_file_or_directory);
  const std::error_code other = NotRegularFile, wrong = NotEnhancedEdition;
  const Bytes head{0xC2, 0x33, 0x7D};  // its runs cut short after the third
  const std::map<std::uint64_t, Bytes> half{{0x6AE88, head}, {0xC2A04, head}};
  const struct {
    fs::path path;
    RomEdition edition;
    std::error_code refused;
    std::size_t mismatched = 0;
  } kinds[] = {
      {dir / "missing.gba", Unrecognised, missing},
      {dir.MakeRom(Simplified) / "below.gba", Unrecognised, missing},
      {dir / "folder.gba", Unrecognised, other},
#ifndef _WIN32
      {"/dev/null", Unrecognised, other},
      {dir / "fifo.gba", Unrecognised, other},  // and no waiting
#endif
      {dir.MakeRom(Simplified, SignatureOffset + 2), Unrecognised, wrong},
      {dir.MakeRom(Simplified, 0xC2A0A), Simplified, TooShort, 1},
      {dir.MakeRom(Simplified), Simplified, {}},
      {dir.MakeRom(Traditional), Traditional, {}},
      {dir.MakeRom(Simplified, 0x100000, half), Simplified, {}, 2},
      {dir.MakeRom(NotEnhanced), NotEnhanced, wrong},
      {dir.MakeRom(Simplified, 0x100000, {{0xC103A, {0x61}}}), Unrecognised,
       wrong},
  };
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "fifo.gba").c_str(), 0600), 0);
#endif
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.path.string());
    const bool file = fs::is_regular_file(kind.path);
    const bool existed = fs::exists(kind.path);
    const Bytes before = file ? ReadFileBytes(kind.path) : Bytes{};
    EXPECT_EQ(InspectRom(kind.path), kind.edition);
    for (const bool convert : {false, true}) {
      try {
        const RomReport report =
            convert ? ConvertRom(kind.path, 2) : ExamineRom(kind.path);
        EXPECT_TRUE(!kind.refused || (!convert && file));
        EXPECT_EQ(report.edition, kind.edition);
        EXPECT_EQ(report.mismatched_sites.size(), kind.mismatched);
      } catch (const RomError& error) {
        EXPECT_EQ(error.code(), kind.refused.default_error_condition());
        EXPECT_TRUE(!file || (convert && error.edition() == kind.edition));
      }
      EXPECT_EQ(file ? ReadFileBytes(kind.path) : Bytes{},
                convert && !kind.refused ? WithRuns(before, 2) : before);
    }
    EXPECT_EQ(fs::exists(kind.path), existed) << "created";
  }
}

// Passes every call to the system and records it ("w 4096+7", "s", "c": a
// write of 7 bytes at 4096, a sync, a close), the k-th as `plan`[k-1] (any
// later as its last) says:
// '.' as it is, 'f' fails, 'F' fails from then on, 'i' is interrupted, '1'
// moves one byte (not three: the head alone could hide a write not
// continued), '0' none (a read: the file ends there, so it is too short).
struct ScriptedCalls : FileCalls {
  IoResult ReadAt(NativeHandle h, std::span<std::uint8_t> b,
                  std::uint64_t at) override {
    b = b.first(Next("r ", at, b.size()));
    return error ? IoResult{0, error} : FileCalls::ReadAt(h, b, at);
  }
  IoResult WriteAt(NativeHandle h, std::span<const std::uint8_t> b,
                   std::uint64_t at) override {
    b = b.first(Next("w ", at, b.size()));
    return error ? IoResult{0, error} : FileCalls::WriteAt(h, b, at);
  }
  std::error_code Sync(NativeHandle handle) override {
    Next("s", 0, 0);
    return error ? error : FileCalls::Sync(handle);
  }
  std::error_code Close(NativeHandle handle) override {
    Next("c", 0, 0);
    const std::error_code closed = FileCalls::Close(handle);
    return error ? error : closed;
  }
  std::size_t Next(const std::string& op, std::uint64_t at, std::size_t size) {
    const char step =
        calls.size() < plan.size() ? plan[calls.size()] : plan.back();
    if (std::isdigit(step)) size = std::min<std::size_t>(size, step - '0');
    calls.push_back(size ? op + std::to_string(at) + "+" + std::to_string(size)
                         : op);
    error = step == 'i' ? make_error_code(std::errc::interrupted)
                        : std::error_code{};
    if (step == 'f' || step == 'F')
      error = make_error_code(std::errc::io_error);
    return size;
  }
  std::string plan;
  std::error_code error;
  std::vector<std::string> calls;
};

// Five seven-byte reads to save the runs, five seven-byte writes in site
// order, one sync, one close; only the runs' bytes change, to either script
// from either edition. A fault at any call leaves the file whole (converted
// or as it was) and the error says which call failed and which it is.
TEST(RomTest, ConversionFollowsTheScriptAndSurvivesEveryFault) {
  std::vector<std::string> script;
  for (const std::string op : {"r ", "w "})
    for (int site : kSites) script.push_back(op + std::to_string(site) + "+7");
  script.insert(script.end(), {"s", "c"});
  testing::Scratch dir;
  for (const std::string fault : {".", "f.", "F", "1.", "i.", "1f.", "0."}) {
    for (int nth = 1; nth <= 12; ++nth) {  // 5 reads, 5 writes, sync, close
      const TargetScript target = nth % 3 + 1;  // 3: any other target
      ScriptedCalls calls;
      calls.plan = std::string(nth - 1, '.') + fault;
      SCOPED_TRACE(calls.plan + " to " + std::to_string(target));
      const fs::path path =  // just long enough
          dir.MakeRom(nth % 2 ? Simplified : Traditional, 0xC2A0B);
      const Bytes original = ReadFileBytes(path);
      std::optional<RomError> error;
      try {
        ConvertRom(path, target, calls);
      } catch (const RomError& raised) {
        error = raised;
      }
      EXPECT_TRUE(fault != "." || calls.calls == script);
      // The first call that failed decides the error and the file. Sync and
      // close move no bytes, so moving nothing is no fault of theirs.
      const std::size_t failing = calls.plan.find_first_of("fF0");
      const char op =
          failing < calls.calls.size() ? calls.calls[failing][0] : '\0';
      const bool fails =
          op && (calls.plan[failing] != '0' || op == 'r' || op == 'w');
      ASSERT_EQ(error.has_value(), fails) << (error ? error->what() : "");
      const FileOutcome outcome = !fails || op == 'c' ? Converted
                                  : op == 'r'         ? Unchanged
                                  : fault == "F"      ? RestoreFailed
                                                      : Restored;
      if (fails) {
        EXPECT_EQ(error->operation(),
                  (std::map<char, RomOperation>{
                      {'r', Read}, {'w', Write}, {'s', Sync}, {'c', Close}}
                       .at(op)));
        EXPECT_EQ(error->outcome(), outcome) << error->what();
      }
      EXPECT_TRUE(outcome != Restored || calls.calls.end()[-2] == "s");
      if (outcome != RestoreFailed) {
        EXPECT_EQ(ReadFileBytes(path),
                  outcome == Converted ? WithRuns(original, target) : original);
      }
    }
  }
}

#ifndef _WIN32
// A file that another conversion holds is refused at once and left alone.
TEST(RomTest, ALockedFileIsLeftAlone) {
  testing::Scratch dir;
  const fs::path path = dir.MakeRom(Simplified);
  const Bytes before = ReadFileBytes(path);
  const int held = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  try {
    ConvertRom(path, kTraditionalScript);
    ADD_FAILURE() << "converted a locked file";
  } catch (const RomError& error) {
    EXPECT_EQ(error.operation(), Lock);
    EXPECT_EQ(error.code(), std::errc::operation_would_block);
  }
  ::close(held);
  EXPECT_EQ(ReadFileBytes(path), before);
}
#else  // a path longer than MAX_PATH, sharing, error codes in words

// At each read, tries to open the file to write, as another program might,
// and records the last open's error (0: allowed).
struct OtherProgram : FileCalls {
  IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                  std::uint64_t offset) override {
    HANDLE other = ::CreateFileW(path.c_str(), GENERIC_WRITE, 7 /* share all */,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    error = other == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    return FileCalls::ReadAt(handle, buffer, offset);
  }
  std::wstring path;
  DWORD error = 1;
};

// A long path; others kept from writing while a conversion runs, not while
// inspection does; common error codes as the conditions they stand for, any
// other in the system's words as UTF-8, never the ANSI code page's '?'.
TEST(WindowsRomTest, ALongPathSharingAndErrorCodesInWords) {
  testing::Scratch dir;
  // Made through \\?\, which takes any length; given to the engine plainly.
  const std::wstring folder =
      LR"(\\?\)" + (dir / std::wstring(200, L'd')).native();
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  OtherProgram converting, inspecting;
  const std::wstring rom = converting.path = inspecting.path =
      folder + L"\\样本" + std::wstring(60, L'f') + L".gba";
  testing::RomImageBuilder().Edition(Simplified).WriteTo(rom);
  ConvertRom(rom.substr(4), kTraditionalScript, converting);
  SignatureBytes signature{};
  EXPECT_EQ(InspectRom(rom.substr(4), signature, inspecting), Traditional);
  EXPECT_EQ(converting.error, DWORD{ERROR_SHARING_VIOLATION});
  EXPECT_EQ(inspecting.error, DWORD{0});
  using std::errc;
  for (const auto& [code, condition] :
       {std::pair{ERROR_SHARING_VIOLATION, errc::device_or_resource_busy},
        {ERROR_ACCESS_DENIED, errc::permission_denied},
        {ERROR_DISK_FULL, errc::no_space_on_device}}) {
    EXPECT_EQ(DescribeError({int(code), std::system_category()}),
              DescribeError(std::make_error_code(condition)))
        << code;
  }
  const std::string other =
      DescribeError({ERROR_NOT_READY, std::system_category()});
  const std::string io = DescribeError(std::make_error_code(errc::io_error));
  EXPECT_TRUE(other.size() > 16 && other != io && !other.ends_with("。") &&
              other.find_first_of("?.\r\n") == std::string::npos)
      << other;
}

#endif

}  // namespace
}  // namespace qorvane
