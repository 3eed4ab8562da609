#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "cli/windows_console.h"
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "cli/cli.h"
#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane::cli {
namespace {

using enum RomEdition;
using Args = std::vector<std::string>;
using CliRun = std::tuple<int, std::string, std::string>;  // status, out, err

CliRun Cli(const Args& args) {
  std::ostringstream out, err;
  return {RunCli(args, out, err), out.str(), err.str()};  // left to right
}

#ifndef _WIN32  // POSIX names, fork and signals
// One line for each file, an error or warning to standard error; names
// that would break a line, or are no UTF-8, quoted as $'...'. Of several
// statuses the gravest wins, wherever it comes.
TEST(CliTest, InspectsAndConvertsFileByFile) {
  testing::Scratch dir;
  const std::string t = dir.MakeRom(Traditional).string() + ": traditional";
  const std::string n = dir.MakeRom(NotEnhanced).string();
  const std::string u = dir.MakeRom(Unrecognised).string();
  const std::string half =  // the first byte of one run, the last of another
      dir.MakeRom(Simplified, 0x100000, {{0x6AE88, {0xC2}}, {0xC2A0A, {1}}},
                  "half\t'\xFF\n.gba");
  const std::string half_line =
      "$'" + (dir / "half\\t\\'\\xFF\\n.gba'").string() +
      ": simplified (but the runs at 0x6AE88, 0xC2A04 do not hold the "
      "simplified bytes: the file is damaged or half converted)\n";
  const std::string nu = n + ": not-enhanced\n" + u + ": unrecognised\n";
  const std::string gone = (dir / "it's 简体 版.gba").string();
  const std::string no_file = gone + ": 文件不存在\n";
  const auto warning = [](const std::string& name, RomEdition edition) {
    return name + ":\n" +
           (edition == NotEnhanced ? "您选择的不是Lumek汉化简繁增强版的ROM\n   "
                                     "     请选择正确的ROM文件\n"
                                   : "您选择的不是“QorvaneADVANCE”的ROM\n      "
                                     " 请选择正确的ROM文件\n");
  };
  const std::vector<std::pair<Args, CliRun>> cases = {
      {{half}, {kExitDamaged, half_line, ""}},
      {{n, u}, {kExitOk, nu, ""}},
      {{half, gone}, {kExitFileError, half_line, no_file}},
      {{"--to=simplified", gone, n, t.substr(0, t.find(':'))},
       {kExitFileError, t + " -> simplified\n",
        no_file + warning(n, NotEnhanced)}},
      {{"--to", "simplified", u},
       {kExitWrongFile, "", warning(u, Unrecognised)}},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(Cli(args), expected) << ::testing::PrintToString(args);
  }
}

// A signal that asks the program to end waits for the file: sent half-way
// through a conversion in a child, it ends the child once the runs are all
// written; a conversion leaves the mask and the handlers as it found them.
// SIGKILL cannot wait: converting again repairs the file.
TEST(CliTest, SignalsWaitForTheFileAndAKilledConversionIsRepaired) {
  testing::Scratch dir;
  struct SignallingCalls : FileCalls {  // signals as the third write starts
    int signal = 0, writes = 0;
    IoResult WriteAt(NativeHandle handle, std::span<const std::uint8_t> data,
                     std::uint64_t offset) override {
      if (++writes == 3) ::kill(::getpid(), signal);
      return FileCalls::WriteAt(handle, data, offset);
    }
  } calls;
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
  ConvertRom(dir.MakeRom(Simplified), kTraditionalScript, calls);  // signal 0
  EXPECT_EQ(state(), before);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
    const std::string path = dir.MakeRom(Simplified, 0x100000, {}, "rom");
    calls.signal = signal;
    calls.writes = 0;
    const pid_t child = ::fork();
    if (child == 0) {  // converts, as the CLI does, on its one thread
      [&]() noexcept { ConvertRom(path, kTraditionalScript, calls); }();
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(std::get<1>(Cli({"--to", "traditional", path})),
              path + ": traditional -> traditional" +
                  (signal == SIGKILL
                       ? " (repaired the runs at 0xC1458, 0x6AE88, 0xC2A04)"
                       : "") +
                  "\n");
  }
}

#endif

#ifdef _WIN32
// Chinese reaches a real console as characters, not as its UTF-8 bytes.
TEST(WindowsCliTest, AConsoleGetsCharacters) {
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
  HANDLE screen = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE) << ::GetLastError();
  {
    HandleStreamBuf buffer(screen);
    std::ostream(&buffer) << "简体 ok" << std::flush;
  }
  std::wstring shown(16, L'\0');
  DWORD read = 0;
  ASSERT_TRUE(::ReadConsoleOutputCharacterW(
      screen, shown.data(), static_cast<DWORD>(shown.size()), {0, 0}, &read));
  shown.resize(read);
  // A wide character may fill two cells.
  shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
  EXPECT_TRUE(shown.starts_with(L"简体 ok")) << read;
  ::CloseHandle(screen);
  ::FreeConsole();
}
#endif

TEST(CliUsageTest, UsageErrorsAreToldOnStandardError) {
  for (const Args& args :
       {Args{}, Args{"--to"}, Args{"--to", "klingon", "a"}, Args{"-x", "a"}}) {
    const auto [status, out, err] = Cli(args);
    EXPECT_TRUE(status == kExitUsage && out.empty() && !err.empty())
        << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace qorvane::cli
