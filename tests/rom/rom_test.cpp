#ifdef _WIN32
#include <windows.h>  // before any header that might include it
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
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
  const Bytes head{0xC2, 0x33, 0x7D};  // runs cut short after the third
  const testing::Puts half{{0x6AE88, head}, {0xC2A04, head}};
  // A path; its edition; the refusal from the two that refuse; how many
  // sites examination finds damaged.
  using Kind = std::tuple<fs::path, RomEdition, std::error_code, std::size_t>;
  const Kind kinds[] = {
      {dir / "missing.gba", Unrecognised, missing, 0},
      {dir.MakeRom(Simplified) / "below.gba", Unrecognised, missing, 0},
      {dir / "folder.gba", Unrecognised, other, 0},
#ifndef _WIN32
      {"/dev/null", Unrecognised, other, 0},
      {dir / "fifo.gba", Unrecognised, other, 0},  // and no waiting
      {dir / "locked.gba", Simplified,
       make_error_code(std::errc::operation_would_block), 0},
#endif
      {dir.MakeRom(Simplified, 0xC103A), Unrecognised, wrong, 0},
      {dir.MakeRom(Simplified, 0xC2A0A), Simplified, TooShort, 1},
      {dir.MakeRom(Simplified), Simplified, {}, 0},
      {dir.MakeRom(Traditional), Traditional, {}, 0},
      {dir.MakeRom(Simplified, 0x100000, half), Simplified, {}, 2},
      {dir.MakeRom(NotEnhanced), NotEnhanced, wrong, 0},
      {dir.MakeRom(Simplified, 0x100000, {{0xC103A, {0x61}}}), Unrecognised,
       wrong, 0},
  };
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((dir / "fifo.gba").c_str(), 0600), 0);
  const int held =
      ::open(dir.MakeRom(Simplified, 0x100000, {}, "locked.gba").c_str(),
             O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_SH), 0);
#endif
  for (const auto& [path, edition, refused, mismatched] : kinds) {
    SCOPED_TRACE(path.string());
    const bool file = fs::is_regular_file(path);
    const bool existed = fs::exists(path);
    const Bytes before = file ? ReadFileBytes(path) : Bytes{};
    SignatureBytes signature{1, 2, 3};  // no bytes left from before
    EXPECT_EQ(InspectRom(path, signature), edition);
    for (const bool convert : {false, true}) {
      try {
        const RomReport report =
            convert ? ConvertRom(path, 2) : ExamineRom(path);
        EXPECT_TRUE(!refused || (!convert && file));
        EXPECT_EQ(report.edition, edition);
        EXPECT_EQ(report.mismatched_sites.size(), mismatched);
      } catch (const RomError& error) {
        EXPECT_EQ(error.code(), refused.default_error_condition());
        EXPECT_TRUE(!file || convert);
        EXPECT_EQ(error.edition(), error.refused() ? edition : Unrecognised);
      }
      EXPECT_EQ(file ? ReadFileBytes(path) : Bytes{},
                convert && !refused ? With(before, Traditional) : before);
    }
    EXPECT_EQ(fs::exists(path), existed) << "created";
  }
#ifndef _WIN32
  ::close(held);
#endif
}

// Passes every call to the system and logs it ("open lock read 0xC1038+7
// ... write 0x6AE88+7 ... sync close "); the first call whose entry starts
// with `fault_at` gets `fault`, and runs `also` first if it is given.
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
    if (hit && also) also();
    return failing || (hit && fault == Fault::Fails);
  }
  std::string fault_at, log;
  Fault fault = Fault::None;
  std::function<void()> also;
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
  // The call that gets the fault, the fault, the operation that fails (none:
  // converted) and what became of the file.
  const std::tuple<std::string, Fault, std::optional<RomOperation>, FileOutcome>
      rows[] = {
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
  for (const auto& [at, fault, failed, outcome] : rows) {
    const RomEdition edition = ++n % 2 ? Simplified : Traditional;
    const TargetScript target = n % 3 + 1;  // 3: any other target
    SCOPED_TRACE(at + " to " + std::to_string(target));
    ScriptedCalls calls;
    calls.fault_at = at;
    calls.fault = fault;
    const fs::path path = dir.MakeRom(edition, 0xC2A0B);  // just long enough
    const Bytes original = ReadFileBytes(path);
    try {
      ConvertRom(path, target, calls);
      EXPECT_FALSE(failed) << "no error";
    } catch (const RomError& error) {
      EXPECT_EQ(error.operation(), failed) << error.code();
      EXPECT_EQ(error.outcome(), outcome);
    }
    if (fault == None) {
      EXPECT_EQ(calls.log,
                "open lock read 0xC1038+7 read 0xC1248+7 read 0xC1458+7 "
                "read 0x6AE88+7 read 0xC2A04+7 write 0xC1038+7 write "
                "0xC1248+7 write 0xC1458+7 write 0x6AE88+7 write 0xC2A04+7 "
                "sync close ");
    }
    if (outcome != RestoreFailed) {
      EXPECT_EQ(ReadFileBytes(path),
                outcome == Converted
                    ? With(original, target == 1 ? Simplified : Traditional)
                    : original);
    }
  }
}

#ifndef _WIN32
// A signal that asks the program to end waits for the file: raised as the
// third write starts, in a child that converts on its one thread, it ends
// the child once every run is written, where SIGKILL leaves three to repair.
// A conversion leaves the mask and the handlers as it found them.
TEST(RomTest, SignalsWaitForTheFile) {
  const auto state = [] {  // each signal: blocked?, its handler the default?
    sigset_t mask;
    ::pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    std::vector<int> seen;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction action {};
      ::sigaction(signal, nullptr, &action);
      seen.insert(seen.end(),
                  {sigismember(&mask, signal), action.sa_handler == SIG_DFL});
    }
    return seen;
  };
  const std::vector<int> before = state();
  ASSERT_EQ(before, (std::vector{0, 1, 0, 1, 0, 1}));
  testing::Scratch dir;
  ConvertRom(dir.MakeRom(Simplified), kTraditionalScript);
  EXPECT_EQ(state(), before);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
    const fs::path path = dir.MakeRom(Simplified, 0x100000, {}, "rom");
    ScriptedCalls calls;
    calls.fault_at = "write 0xC1458";
    calls.also = [signal] { std::raise(signal); };
    const pid_t child = ::fork();
    if (child == 0) {
      [&]() noexcept { ConvertRom(path, kTraditionalScript, calls); }();
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(ConvertRom(path, kTraditionalScript).mismatched_sites.size(),
              signal == SIGKILL ? 3u : 0u);
  }
}
#else
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

// A long path; others kept from writing while a conversion runs, not while
// inspection does; an error code with no words of the project's own in the
// system's words as UTF-8, never the ANSI code page's '?'.
TEST(WindowsRomTest, ALongPathSharingAndSystemWords) {
  testing::Scratch dir;
  // Made through \\?\, which takes any length; given to the engine plainly.
  const std::wstring folder =
      LR"(\\?\)" + (dir / std::wstring(200, L'd')).native();
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring rom =
      folder + L"\\样本" + std::wstring(60, L'f') + L".gba";
  testing::Image(Simplified).WriteTo(rom);
  // At the first read, opens the file to write, as another program might,
  // and keeps the error (0: allowed).
  DWORD errors[2] = {1, 1};
  ScriptedCalls converting, inspecting;
  for (DWORD* error = errors; auto* calls : {&converting, &inspecting}) {
    calls->fault_at = "read";
    calls->also = [&rom, error = error++] {
      HANDLE other =
          ::CreateFileW(rom.c_str(), GENERIC_WRITE, 7 /* share all */, nullptr,
                        OPEN_EXISTING, 0, nullptr);
      *error = other == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
      if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    };
  }
  ConvertRom(rom.substr(4), kTraditionalScript, converting);
  SignatureBytes signature{};
  EXPECT_EQ(InspectRom(rom.substr(4), signature, inspecting), Traditional);
  EXPECT_EQ(std::pair(errors[0], errors[1]),
            std::pair(DWORD{ERROR_SHARING_VIOLATION}, DWORD{0}));
  const std::string words =
      FileCalls::System().ErrorWords({ERROR_NOT_READY, std::system_category()});
  EXPECT_TRUE(words.size() > 3 && !words.ends_with("。") &&
              words.find_first_of("?.\r\n") == std::string::npos)
      << words;
}
#endif

}  // namespace
}  // namespace qorvane
