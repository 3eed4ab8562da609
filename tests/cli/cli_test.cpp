#ifdef _WIN32
#include <windows.h>  // before any header that might include it
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <sstream>
#include <thread>
#include <tuple>

#include "cli/cli.h"
#include "cli/windows_console.h"
#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "switcher/switcher_texts.h"
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

#ifndef _WIN32  // POSIX names, a FIFO, fork and signals
// One line for each file, an error or warning to standard error; names
// that would break a line, or are no UTF-8, quoted as $'...'. Of several
// statuses the gravest wins, wherever it comes.
TEST(CliTest, InspectsAndConvertsFileByFile) {
  testing::Scratch dir;
  const std::string t = dir.MakeRom(Traditional).string();
  const std::string n = dir.MakeRom(NotEnhanced).string();
  const std::string u = dir.MakeRom(Unrecognised).string();
  const std::string cut = dir.MakeRom(Simplified, 0xC2000, {}, "cut\n.gba");
  const std::string cut_shown = "$'" + (dir / "cut\\n.gba'").string();
  // The first byte of one run, the last of another.
  const std::string half =
      dir.MakeRom(Simplified, 0x100000, {{0x6AE88, {0xC2}}, {0xC2A0A, {1}}},
                  "half\t'\xFF\n.gba");
  const std::string half_line =
      "$'" + (dir / "half\\t\\'\\xFF\\n.gba'").string() +
      ": simplified (but the runs at 0x6AE88, 0xC2A04 do not hold the "
      "simplified bytes: the file is damaged or half converted)\n";
  const std::string gone = (dir / "it's 简体 版.gba").string();
  const std::string fifo = (dir / "fifo.gba").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string no_files =
      gone + ": " +
      DescribeError(make_error_code(std::errc::no_such_file_or_directory)) +
      "\n" + fifo + ": " + DescribeError(RomRefusal::NotRegularFile) + "\n";
  const auto warning = [](RomEdition edition) {  // message box lines
    std::string lines(texts::WrongFileWarning(edition));
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    return lines + "\n";
  };
  const RomError short_file(RomOperation::Read, cut, RomRefusal::TooShort);
  const testing::Bytes n_before = testing::ReadFileBytes(n);
  const std::vector<std::pair<Args, CliRun>> cases = {
      {{half}, {kExitDamaged, half_line, ""}},
      {{gone, fifo, n, u, half},
       {kExitFileError,
        n + ": not-enhanced\n" + u + ": unrecognised\n" + half_line, no_files}},
      {{"--to=simplified", gone, fifo, cut, n, t},
       {kExitFileError, t + ": traditional -> simplified\n",
        no_files + cut_shown + ": " + short_file.Report(cut_shown) + "\n" + n +
            ":\n" + warning(NotEnhanced)}},
      {{"--to", "simplified", u},
       {kExitWrongFile, "", u + ":\n" + warning(Unrecognised)}},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(Cli(args), expected) << ::testing::PrintToString(args);
  }
  EXPECT_EQ(testing::ReadFileBytes(n), n_before);
}

TEST(CliTest, SignalsWaitForTheFileAndAKilledConversionIsRepaired) {
  testing::Scratch dir;
  const std::string path = (dir / "rom.gba").string();
  struct SignallingCalls : FileCalls {  // signals as the third write starts
    int signal = 0, writes = 0;
    IoResult WriteAt(NativeHandle handle, std::span<const std::uint8_t> data,
                     std::uint64_t offset) override {
      if (++writes == 3) ::kill(::getpid(), signal);
      return FileCalls::WriteAt(handle, data, offset);
    }
  } calls;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
    for (const bool threaded : {false, true}) {
      dir.MakeRom(Simplified, 0x100000, {}, "rom.gba");
      calls.signal = signal;
      const pid_t child = ::fork();
      if (child == 0) {  // converts, with a second thread if `threaded`
        std::signal(signal, SIG_DFL);
        std::atomic<bool> running = !threaded;  // takes signals once running
        if (threaded) std::thread([&] { running = true, ::pause(); }).detach();
        while (!running) std::this_thread::yield();
        [&]() noexcept { ConvertRom(path, kTraditionalScript, calls); }();
        ::sleep(threaded ? 60 : 0);  // another thread's may come a moment later
        ::_exit(0);
      }
      int status = 0;
      ::waitpid(child, &status, 0);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
      // SIGKILL cannot be held off: converting again repairs the file.
      EXPECT_EQ(std::get<1>(Cli({"--to", "traditional", path})),
                path + ": traditional -> traditional" +
                    (signal == SIGKILL
                         ? " (repaired the runs at 0xC1458, 0x6AE88, 0xC2A04)"
                         : "") +
                    "\n");
    }
  }
}

#else  // the Windows edge

// A Chinese name through a UTF-8 argument; output as characters to a
// console of the test's own (read back cell by cell), in two parts split
// inside a character, and to no handle at all.
TEST(CliTest, AChineseNameThenOutputToAConsoleAndNowhere) {
  testing::Scratch dir;
  const std::string name =
      PathToUtf8(dir.MakeRom(Simplified, 0x100000, {}, L"简体 版.gba"));
  EXPECT_EQ(Cli({"--to", "traditional", name}),
            CliRun(kExitOk, name + ": simplified -> traditional\n", ""));
  const auto write_line = [](HANDLE handle) {  // false on failure
    HandleStreamBuf buffer(handle);
    std::ostream stream(&buffer);
    stream << "样" << std::flush << "\xE6\x9C" << std::flush << "\xAC: 1";
    return !stream.flush().fail();
  };
  EXPECT_FALSE(write_line(nullptr));
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole());
  HANDLE handle = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO start{};
  EXPECT_TRUE(::GetConsoleScreenBufferInfo(handle, &start));
  EXPECT_TRUE(write_line(handle));
  std::wstring shown(5, L'\0');
  DWORD got = 0;
  ::ReadConsoleOutputCharacterW(handle, shown.data(), 5, start.dwCursorPosition,
                                &got);
  EXPECT_EQ(shown, L"样本: 1");
  ::CloseHandle(handle);
  ::FreeConsole();
}

#endif

TEST(CliUsageTest, UsageErrorsHelpAndVersion) {
  for (const Args& args :
       {Args{"--version"}, Args{"--help"}, Args{}, Args{"--to"},
        Args{"--to", "klingon", "a.gba"}, Args{"--frobnicate", "a.gba"}}) {
    const auto [status, out, err] = Cli(args);
    const bool asked = args.size() == 1 && args[0] != "--to";
    EXPECT_TRUE(asked ? status == kExitOk && !out.empty() && err.empty()
                      : status == kExitUsage && out.empty() && !err.empty())
        << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace qorvane::cli
