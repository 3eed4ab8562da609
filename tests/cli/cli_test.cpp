#include "cli/cli.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <csignal>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane::cli {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::RomImageBuilder;

struct CliRun {
  int status;
  std::string out;
  std::string err;
  bool operator==(const CliRun&) const = default;
};

[[maybe_unused]] void PrintTo(const CliRun& run, std::ostream* out) {
  *out << run.status << " out=[" << run.out << "] err=[" << run.err << "]";
}

CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

// These three take POSIX names (control characters, bytes that are no UTF-8),
// FIFOs, /dev/null, fork and signals; windows_cli_test.cpp holds their
// Windows counterparts.
#ifndef _WIN32
TEST(CliTest, InspectsAndConvertsFileByFile) {
  testing::Scratch dir;
  const std::string s = dir.MakeRom(RomEdition::Simplified).string();
  const std::string t = dir.MakeRom(RomEdition::Traditional).string();
  const std::string n = dir.MakeRom(RomEdition::NotEnhanced).string();
  const std::string u = dir.MakeRom(RomEdition::Unrecognised).string();
  // A name that would break a line, or is no UTF-8, is quoted as $'...'.
  const std::string half = (dir / "half\t'\xFF\n.gba").string();
  const std::string half_shown =
      "$'" + (dir / "half\\t\\'\\xFF\\n.gba'").string();
  RomImageBuilder()
      .Edition(RomEdition::Simplified)
      .Put(0x6AE88, {0xC2, 0x33, 0x7D})
      .Put(0xC2A0A, {0x01})
      .WriteTo(half);
  const std::string half_line =
      half_shown +
      ": simplified (but the runs at 0x6AE88, 0xC2A04 do not hold the "
      "simplified bytes: the file is damaged or half converted)\n";
  const std::string gone = (dir / "it's 简体 版.gba").string();
  const std::string fifo = (dir / "fifo.gba").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string no_files = gone + ": 文件不存在\n" + fifo +
                               ": 这不是一个普通文件\n/dev/null: "
                               "这不是一个普通文件\n/: 这不是一个普通文件\n";
  const std::string n_warning =
      ":\n您选择的不是Lumek汉化简繁增强版的ROM\n        请选择正确的ROM文件\n";
  const std::string u_warning =
      ":\n您选择的不是“QorvaneADVANCE”的ROM\n       请选择正确的ROM文件\n";
  struct Case {
    std::vector<std::string> args;
    CliRun expected;
  };
  const std::vector<Case> cases = {
      {{s, t, n, u},
       {kExitOk,
        s + ": simplified\n" + t + ": traditional\n" + n + ": not-enhanced\n" +
            u + ": unrecognised\n",
        ""}},
      {{half}, {kExitDamaged, half_line, ""}},
      {{"--to", "simplified", n, t, u},
       {kExitWrongFile, t + ": traditional -> simplified\n",
        n + n_warning + u + u_warning}},
      {{"--to=traditional", t},
       {kExitOk, t + ": simplified -> traditional\n", ""}},
      // A file error outranks a damaged file.
      {{half, gone, fifo, "/dev/null", "/"},
       {kExitFileError, half_line, no_files}},
      {{"--to", "simplified", gone, fifo, "/dev/null", "/"},
       {kExitFileError, "", no_files}},
  };
  for (const Case& c : cases) {
    const Bytes n_before = ReadFileBytes(n);
    EXPECT_EQ(Cli(c.args), c.expected) << ::testing::PrintToString(c.args);
    EXPECT_EQ(ReadFileBytes(n), n_before);
  }
}

TEST(CliTest, FileErrorSaysWhatBecameOfTheFile) {
  testing::Scratch dir;
  const std::string shorter = (dir / "short\n.gba").string();
  std::filesystem::rename(dir.MakeRom(RomEdition::Simplified, 0xC2000),
                          shorter);
  const std::string shown = "$'" + (dir / "short\\n.gba'").string();
  const CliRun run = Cli({"--to", "traditional", shorter});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.err, shown + ": 拒绝转换文件“" + shown +
                         "”：文件太短，容纳不下全部五处转换数据（至少需要 "
                         "796171 字节）。文件保持原样，未做任何改动。\n");
}

// Converts `path` in a child process (with a second thread if `threaded`)
// that is sent `signal` as the third write starts; returns its wait status.
int ConvertSignalled(const std::string& path, int signal, bool threaded) {
  struct SignallingCalls : FileCalls {
    int signal = 0, writes = 0;
    IoResult WriteAt(NativeHandle handle, std::span<const std::uint8_t> data,
                     std::uint64_t offset) override {
      if (++writes == 3) ::kill(::getpid(), signal);
      return FileCalls::WriteAt(handle, data, offset);
    }
  } calls;
  calls.signal = signal;
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(signal, SIG_DFL);
    std::atomic<bool> running = !threaded;
    if (threaded) std::thread([&] { running = true, ::pause(); }).detach();
    while (!running) std::this_thread::yield();
    [&]() noexcept { ConvertRom(path, kTraditionalScript, calls); }();
    ::sleep(threaded ? 60 : 0);  // another thread's may come a moment later
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

TEST(CliTest, SignalsWaitForTheFileAndAKilledConversionIsRepaired) {
  testing::Scratch dir;
  const std::string path = (dir / "rom.gba").string();
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
    for (const bool threaded : {false, true}) {
      RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(path);
      const int status = ConvertSignalled(path, signal, threaded);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
      // SIGKILL cannot be held off: it leaves a half-converted file.
      const bool half = signal == SIGKILL;
      EXPECT_EQ(Cli({path}).status, half ? kExitDamaged : kExitOk);
      EXPECT_EQ(Cli({"--to", "traditional", path}).out,
                path + ": traditional -> traditional" +
                    (half ? " (repaired the runs at 0xC1458, 0x6AE88, 0xC2A04)"
                          : "") +
                    "\n");
      EXPECT_EQ(Cli({path}).out, path + ": traditional\n");
    }
  }
}

#endif  // _WIN32

TEST(CliUsageTest, UsageErrorsHelpAndVersion) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out_start;
  };
  const std::vector<Case> cases = {
      {{}, kExitUsage, ""},
      {{"--to"}, kExitUsage, ""},
      {{"--to", "klingon", "a.gba"}, kExitUsage, ""},
      {{"--frobnicate", "a.gba"}, kExitUsage, ""},
      {{"--help"}, kExitOk, "Usage: qorvane-switcher-cli"},
      {{"--version"}, kExitOk, "qorvane-switcher-cli 1.00\n"},
  };
  for (const Case& c : cases) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args);
    EXPECT_TRUE(run.out.starts_with(c.out_start)) << run.out;
    EXPECT_EQ(run.err.empty(), c.status == kExitOk) << run.err;
  }
}

}  // namespace
}  // namespace qorvane::cli
