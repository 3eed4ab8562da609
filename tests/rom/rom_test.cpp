#ifdef _WIN32
#include <windows.h>  // before any header that might include it
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;
using enum FileOutcome;
using enum RomOperation;
using enum RomEdition;
using enum RomRefusal;
using testing::Bytes, testing::ReadFileBytes, testing::With;

// Every kind of path as inspection, examination and conversion see it: the
// same edition from each, the same refusal from the two that refuse; a file
// another program holds even a shared lock on is refused at once. Nothing is
// created, and only a conversion changes a file.
TEST(RomTest, EveryKindOfPathGetsOneAnswer) {
  testing::Scratch dir;
  fs::create_directory(dir / "folder.gba");
  const auto missing = make_error_code(std::errc::no_such_file_or_directory);
  const std::error_code other = NotRegularFile, wrong = NotEnhancedEdition;
  const Bytes head{0xC2, 0x33, 0x7D};  // its runs cut short after the third
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
      {dir / "locked.gba", Simplified,
       make_error_code(std::errc::operation_would_block)},
#endif
      {dir.MakeRom(Simplified, 0xC103A), Unrecognised, wrong},
      {dir.MakeRom(Simplified, 0xC2A0A), Simplified, TooShort, 1},
      {dir.MakeRom(Simplified), Simplified, {}},
      {dir.MakeRom(Traditional), Traditional, {}},
      {dir.MakeRom(Simplified, 0x100000, {{0x6AE88, head}, {0xC2A04, head}}),
       Simplified,
       {},
       2},
      {dir.MakeRom(NotEnhanced), NotEnhanced, wrong},
      {dir.MakeRom(Simplified, 0x100000, {{0xC103A, {0x61}}}), Unrecognised,
       wrong},
  };
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "fifo.gba").c_str(), 0600), 0);
  const int held =
      ::open(dir.MakeRom(Simplified, 0x100000, {}, "locked.gba").c_str(),
             O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_SH), 0);
#endif
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.path.string());
    const bool file = fs::is_regular_file(kind.path);
    const bool existed = fs::exists(kind.path);
    const Bytes before = file ? ReadFileBytes(kind.path) : Bytes{};
    SignatureBytes signature{1, 2, 3};  // no bytes left from before
    EXPECT_EQ(InspectRom(kind.path, signature), kind.edition);
    for (const bool convert : {false, true}) {
      try {
        const RomReport report =
            convert ? ConvertRom(kind.path, 2) : ExamineRom(kind.path);
        EXPECT_TRUE(!kind.refused || (!convert && file));
        EXPECT_EQ(report.edition, kind.edition);
        EXPECT_EQ(report.mismatched_sites.size(), kind.mismatched);
      } catch (const RomError& error) {
        EXPECT_EQ(error.code(), kind.refused.default_error_condition());
        EXPECT_TRUE(!file || convert);
        EXPECT_EQ(error.edition(),
                  error.refused() ? kind.edition : Unrecognised);
      }
      EXPECT_EQ(file ? ReadFileBytes(kind.path) : Bytes{},
                convert && !kind.refused ? With(before, Traditional) : before);
    }
    EXPECT_EQ(fs::exists(kind.path), existed) << "created";
  }
#ifndef _WIN32
  ::close(held);
#endif
}

// Passes every call to the system and logs it ("open lock read 0xC1038+7
// ... write 0x6AE88+7 ... sync close "); the first call whose entry starts
// with `at` gets `fault`.
enum class Fault { None, Fails, FailsFromThen, MovesOne, MovesNothing };
struct ScriptedCalls : FileCalls {
  std::error_code Open(const fs::path& path, Access access,
                       NativeHandle& handle) override {
    return Take("open") ? error : FileCalls::Open(path, access, handle);
  }
  std::error_code Lock(NativeHandle handle) override {
    return Take("lock") ? error : FileCalls::Lock(handle);
  }
  IoResult ReadAt(NativeHandle h, std::span<std::uint8_t> b,
                  std::uint64_t at) override {
    return Take("read", at, &b) ? IoResult{0, error}
                                : FileCalls::ReadAt(h, b, at);
  }
  IoResult WriteAt(NativeHandle h, std::span<const std::uint8_t> b,
                   std::uint64_t at) override {
    return Take("write", at, &b) ? IoResult{0, error}
                                 : FileCalls::WriteAt(h, b, at);
  }
  std::error_code Sync(NativeHandle handle) override {
    return Take("sync") ? error : FileCalls::Sync(handle);
  }
  std::error_code Close(NativeHandle handle) override {
    const bool fail = Take("close");
    const std::error_code closed = FileCalls::Close(handle);
    return fail ? error : closed;
  }
  // Logs the call, shortens `data` as the fault says; true: it fails.
  template <typename Span = std::span<std::uint8_t>>
  bool Take(std::string call, std::uint64_t at = 0, Span* data = nullptr) {
    char where[32] = "";
    if (data)
      std::snprintf(where, sizeof where, " 0x%llX+%zu",
                    static_cast<unsigned long long>(at), data->size());
    log += (call += where) + ' ';
    const bool hit = !taken && call.starts_with(fault_at);
    taken = taken || hit;
    failing = failing || (hit && fault == Fault::FailsFromThen);
    if (hit && data && fault == Fault::MovesOne) *data = data->first(1);
    if (hit && data && fault == Fault::MovesNothing) *data = data->first(0);
    return failing || (hit && fault == Fault::Fails);
  }
  std::string fault_at, log;
  Fault fault = Fault::None;
  bool taken = false, failing = false;
  const std::error_code error = make_error_code(std::errc::io_error);
};

// A conversion's calls: open, lock, five seven-byte reads to save the runs,
// five seven-byte writes in site order, one sync, one close. A fault at any
// call leaves the file whole, converted or as it was, and the error says
// which call failed and what became of the file.
TEST(RomTest, ConversionMakesItsCallsAndSurvivesEachFault) {
  using enum Fault;
  const std::optional<RomOperation> none;
  const struct {
    std::string at;
    Fault fault;
    std::optional<RomOperation> failed;  // none: converted
    FileOutcome outcome;                 // of a failure
  } rows[] = {
      {"", None, none, Converted},
      {"open", Fails, Open, Unchanged},
      {"lock", Fails, Lock, Unchanged},
      {"read 0xC1038", Fails, Read, Unchanged},
      {"read 0xC1458", MovesOne, none, Converted},      // read on
      {"read 0xC2A04", MovesNothing, Read, Unchanged},  // ends: too short
      {"write 0xC1038", Fails, Write, Restored},
      {"write 0x6AE88", Fails, Write, Restored},
      {"write 0xC1248", MovesOne, none, Converted},  // written on
      {"write 0xC2A04", MovesNothing, Write, Restored},
      {"write 0xC1458", FailsFromThen, Write, RestoreFailed},
      {"sync", Fails, Sync, Restored},
      {"sync", FailsFromThen, Sync, RestoreFailed},
      {"close", Fails, Close, Converted},
  };
  testing::Scratch dir;
  int n = 0;
  for (const auto& row : rows) {
    const RomEdition edition = ++n % 2 ? Simplified : Traditional;
    const TargetScript target = n % 3 + 1;  // 3: any other target
    SCOPED_TRACE(row.at + " to " + std::to_string(target));
    ScriptedCalls calls;
    calls.fault_at = row.at;
    calls.fault = row.fault;
    const fs::path path = dir.MakeRom(edition, 0xC2A0B);  // just long enough
    const Bytes original = ReadFileBytes(path);
    try {
      ConvertRom(path, target, calls);
      EXPECT_FALSE(row.failed) << "no error";
    } catch (const RomError& error) {
      EXPECT_EQ(error.operation(), row.failed) << error.code();
      EXPECT_EQ(error.outcome(), row.outcome);
    }
    if (row.fault == None) {
      EXPECT_EQ(calls.log,
                "open lock read 0xC1038+7 read 0xC1248+7 read 0xC1458+7 "
                "read 0x6AE88+7 read 0xC2A04+7 write 0xC1038+7 write "
                "0xC1248+7 write 0xC1458+7 write 0x6AE88+7 write 0xC2A04+7 "
                "sync close ");
    }
    if (row.outcome != RestoreFailed) {
      EXPECT_EQ(ReadFileBytes(path),
                row.outcome == Converted
                    ? With(original, target == 1 ? Simplified : Traditional)
                    : original);
    }
  }
}

#ifdef _WIN32
// Which paths get the \\?\ prefix: full paths of MAX_PATH (260) characters
// or more, a share's as \\?\UNC\; none that has it already or is a device.
TEST(WindowsRomTest, LongPathsGetThePrefix) {
  const std::wstring at_259 = L"C:\\" + std::wstring(252, L'a') + L".gba";
  const std::wstring s250(250, L's'),
      d260 = L"\\\\.\\" + std::wstring(260, L'd');
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"C:\\roms\\a.gba", L"C:\\roms\\a.gba"},
      {at_259, at_259},
      {at_259 + L"x", L"\\\\?\\" + at_259 + L"x"},
      {L"\\\\server\\share\\" + s250, L"\\\\?\\UNC\\server\\share\\" + s250},
      {L"\\\\?\\" + at_259 + L"x", L"\\\\?\\" + at_259 + L"x"},
      {d260, d260},
  };
  ASSERT_EQ(at_259.size(), 259u);
  for (const auto& [given, used] : rows) {
    EXPECT_EQ(SystemPath(given), used) << given.size();
  }
}

// At each read, tries to open the file to write, as another program might,
// and keeps the last open's error (0: allowed).
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
// inspection does; an error code with no words of the project's own in the
// system's words as UTF-8, never the ANSI code page's '?'.
TEST(WindowsRomTest, ALongPathSharingAndSystemWords) {
  testing::Scratch dir;
  // Made through \\?\, which takes any length; given to the engine plainly.
  const std::wstring folder =
      LR"(\\?\)" + (dir / std::wstring(200, L'd')).native();
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  OtherProgram converting, inspecting;
  const std::wstring rom = converting.path = inspecting.path =
      folder + L"\\样本" + std::wstring(60, L'f') + L".gba";
  testing::Image(Simplified).WriteTo(rom);
  ConvertRom(rom.substr(4), kTraditionalScript, converting);
  SignatureBytes signature{};
  EXPECT_EQ(InspectRom(rom.substr(4), signature, inspecting), Traditional);
  EXPECT_EQ(converting.error, DWORD{ERROR_SHARING_VIOLATION});
  EXPECT_EQ(inspecting.error, DWORD{0});
  const std::string words =
      FileCalls::System().ErrorWords({ERROR_NOT_READY, std::system_category()});
  EXPECT_TRUE(words.size() > 3 && !words.ends_with("。") &&
              words.find_first_of("?.\r\n") == std::string::npos)
      << words;
}
#endif

}  // namespace
}  // namespace qorvane
