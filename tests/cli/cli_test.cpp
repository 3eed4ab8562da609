#ifndef _WIN32
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
  const auto missing = make_error_code(std::errc::no_such_file_or_directory);
  const std::string no_file = gone + ": " + DescribeError(missing) + "\n";
  const auto warning = [](const std::string& name, RomEdition edition) {
    std::string lines(texts::WrongFileWarning(edition));  // message box lines
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    return name + ":\n" + lines + "\n";
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

TEST(CliTest, SignalsWaitForTheFileAndAKilledConversionIsRepaired) {
  testing::Scratch dir;
  const std::string repaired =
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
      const std::string path = dir.MakeRom(Simplified, 0x100000, {}, "rom");
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
                    (signal == SIGKILL ? repaired : "") + "\n");
    }
  }
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
