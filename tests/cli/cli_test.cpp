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

using testing::RomImageBuilder;
using Args = std::vector<std::string>;
using CliRun = std::tuple<int, std::string, std::string>;  // status, out, err

CliRun Cli(const Args& args) {
  std::ostringstream out, err;
  return {RunCli(args, out, err), out.str(), err.str()};  // left to right
}

// What the CLI prints for a path and an engine error code: its words alone.
std::string Said(const std::string& path, std::error_code code) {
  return path + ": " + DescribeError(code) + "\n";
}

#ifndef _WIN32  // POSIX names, a FIFO, fork and signals
TEST(CliTest, InspectsAndConvertsFileByFile) {
  testing::Scratch dir;
  const std::string t = dir.MakeRom(RomEdition::Traditional).string();
  const std::string n = dir.MakeRom(RomEdition::NotEnhanced).string();
  const std::string u = dir.MakeRom(RomEdition::Unrecognised).string();
  // Names that would break a line, or are no UTF-8, are quoted as $'...'.
  const std::string half = (dir / "half\t'\xFF\n.gba").string();
  const std::string cut = (dir / "cut\n.gba").string();
  const std::string cut_shown = "$'" + (dir / "cut\\n.gba'").string();
  RomImageBuilder().Size(0xC2000).Edition(RomEdition::Simplified).WriteTo(cut);
  RomImageBuilder image;  // the first byte of one run, the last of another
  image.Edition(RomEdition::Simplified).Put(0x6AE88, {0xC2}).Put(0xC2A0A, {1});
  image.WriteTo(half);
  const std::string half_line =
      "$'" + (dir / "half\\t\\'\\xFF\\n.gba'").string() +
      ": simplified (but the runs at 0x6AE88, 0xC2A04 do not hold the "
      "simplified bytes: the file is damaged or half converted)\n";
  const std::string gone = (dir / "it's 简体 版.gba").string();
  const std::string fifo = (dir / "fifo.gba").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::error_code other = RomRefusal::NotRegularFile;
  const std::string no_files =
      Said(gone, make_error_code(std::errc::no_such_file_or_directory)) +
      Said(fifo, other) + Said("/", other);
  // A message box's lines as terminal lines.
  const auto warning = [](RomEdition edition) {
    std::string lines(texts::WrongFileWarning(edition));
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    return lines + "\n";
  };
  const RomError short_file(RomOperation::Read, cut, RomRefusal::TooShort);
  const testing::Bytes n_before = testing::ReadFileBytes(n);
  // With several files the gravest status wins, wherever it comes.
  const std::vector<std::pair<Args, CliRun>> cases = {
      {{half}, {kExitDamaged, half_line, ""}},
      {{gone, fifo, "/", n, u, half},
       {kExitFileError,
        n + ": not-enhanced\n" + u + ": unrecognised\n" + half_line, no_files}},
      {{"--to=simplified", gone, fifo, "/", cut, n, t},
       {kExitFileError, t + ": traditional -> simplified\n",
        no_files + cut_shown + ": " + short_file.Report(cut_shown) + "\n" + n +
            ":\n" + warning(RomEdition::NotEnhanced)}},
      {{"--to", "simplified", u},
       {kExitWrongFile, "", u + ":\n" + warning(RomEdition::Unrecognised)}},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(Cli(args), expected) << ::testing::PrintToString(args);
  }
  EXPECT_EQ(testing::ReadFileBytes(n), n_before);
}

TEST(CliTest, SignalsWaitForTheFileAndAKilledConversionIsRepaired) {
  testing::Scratch dir;
  const std::string path = (dir / "rom.gba").string();
  const std::string done = path + ": traditional -> traditional",
                    repaired =
                        " (repaired the runs at 0xC1458, 0x6AE88, 0xC2A04)";
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
      RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(path);
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
      EXPECT_EQ(Cli({"--to", "traditional", path}),
                CliRun(kExitOk,
                       done + (signal == SIGKILL ? repaired : "") + "\n", ""));
      EXPECT_EQ(Cli({path}), CliRun(kExitOk, path + ": traditional\n", ""));
    }
  }
}

#else  // the Windows edge

const std::string kLine = "样本.gba: simplified\n";

// A Chinese name through a UTF-8 argument; output as UTF-8 bytes to a file,
// as characters to a console, and to no handle at all.
TEST(CliTest, AChineseNameThenOutputToAFileAConsoleAndNowhere) {
  testing::Scratch dir;
  const std::filesystem::path rom = dir / L"简体 版.gba", file = dir / "out";
  RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(rom);
  const std::string name = PathToUtf8(rom);
  // Writes kLine in two parts split inside a character; false on failure.
  const auto write_line = [](HANDLE handle) {
    HandleStreamBuf buffer(handle);
    std::ostream stream(&buffer);
    stream << kLine.substr(0, 4) << std::flush << kLine.substr(4) << std::flush;
    return !stream.fail();
  };
  EXPECT_EQ(Cli({"--to", "traditional", name}),
            CliRun(kExitOk, name + ": simplified -> traditional\n", ""));
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr);
  EXPECT_TRUE(write_line(handle));
  ::CloseHandle(handle);
  EXPECT_EQ(testing::ReadFileBytes(file),
            testing::Bytes(kLine.begin(), kLine.end()));
  EXPECT_FALSE(write_line(nullptr));
  // A console of the test's own, read back cell by cell.
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole());
  handle = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO start{};
  EXPECT_TRUE(::GetConsoleScreenBufferInfo(handle, &start));
  EXPECT_TRUE(write_line(handle));
  std::wstring shown(18, L'\0');
  DWORD got = 0;
  ::ReadConsoleOutputCharacterW(handle, shown.data(), 18,
                                start.dwCursorPosition, &got);
  EXPECT_EQ(shown, L"样本.gba: simplified");
  ::CloseHandle(handle);
  ::FreeConsole();
}

#endif

TEST(CliUsageTest, UsageErrorsHelpAndVersion) {
  for (const Args& args :
       {Args{}, Args{"--to"}, Args{"--to", "klingon", "a.gba"},
        Args{"--frobnicate", "a.gba"}}) {
    const auto [status, out, err] = Cli(args);
    EXPECT_TRUE(status == kExitUsage && out.empty() && !err.empty())
        << ::testing::PrintToString(args);
  }
  EXPECT_EQ(Cli({"--version"}),
            CliRun(kExitOk, "qorvane-switcher-cli 1.00\n", ""));
  EXPECT_TRUE(
      std::get<1>(Cli({"--help"})).starts_with("Usage: qorvane-switcher-cli"));
}

}  // namespace
}  // namespace qorvane::cli
