#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

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

void PrintTo(const CliRun& run, std::ostream* out) {
  *out << run.status << " out=[" << run.out << "] err=[" << run.err << "]";
}

CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

TEST(CliTest, InspectsAndConvertsFileByFile) {
  testing::Scratch dir;
  const std::string s = dir.MakeRom(RomEdition::Simplified).string();
  const std::string t = dir.MakeRom(RomEdition::Traditional).string();
  const std::string n = dir.MakeRom(RomEdition::NotEnhanced).string();
  const std::string u = dir.MakeRom(RomEdition::Unrecognised).string();
  const std::string half = (dir / "half.gba").string();
  RomImageBuilder()
      .Edition(RomEdition::Simplified)
      .Put(0x6AE88, {0xC2, 0x33, 0x7D})
      .Put(0xC2A0A, {0x01})
      .WriteTo(half);
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
      {{half},
       {kExitOk,
        half + ": simplified (but the runs at 0x6AE88, 0xC2A04 do not hold "
               "the simplified bytes: the file is damaged or half "
               "converted)\n",
        ""}},
      {{"--to", "simplified", n, t, u},
       {kExitWrongFile, t + ": traditional -> simplified\n",
        n + n_warning + u + u_warning}},
      {{"--to=traditional", t},
       {kExitOk, t + ": simplified -> traditional\n", ""}},
  };
  for (const Case& c : cases) {
    const Bytes n_before = ReadFileBytes(n);
    EXPECT_EQ(Cli(c.args), c.expected) << ::testing::PrintToString(c.args);
    EXPECT_EQ(ReadFileBytes(n), n_before);
  }
}

TEST(CliTest, FileErrorSaysWhatBecameOfTheFile) {
  testing::Scratch dir;
  const std::string shorter =
      dir.MakeRom(RomEdition::Simplified, 0xC2000).string();
  const CliRun run = Cli({"--to", "traditional", shorter});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_EQ(run.err, shorter + ": 拒绝转换文件“" + shorter +
                         "”：文件太短，容纳不下全部五处转换数据（至少需要 "
                         "796171 字节）。文件保持原样，未做任何改动。\n");
}

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
