#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "rom/edition_table.h"
#include "tools/rom_image.h"
#include "tests/support/temp_dir.h"

namespace qorvane::cli {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::RomImageBuilder;

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

class CliTest : public ::testing::Test {
 protected:
  std::string MakeRom(const std::string& name, RomEdition edition,
                      std::uint64_t size = 0x100000) {
    std::string path = (dir_ / name).string();
    RomImageBuilder().Size(size).Edition(edition).WriteTo(path);
    return path;
  }

  testing::TempDir dir_;
};

TEST_F(CliTest, InspectsEachFileOnItsOwnLine) {
  const std::string s = MakeRom("s.gba", RomEdition::Simplified);
  const std::string t = MakeRom("t.gba", RomEdition::Traditional);
  const std::string n = MakeRom("n.gba", RomEdition::NotEnhanced);
  const std::string u = MakeRom("u.gba", RomEdition::Unrecognised);
  const CliRun run = Cli({s, t, n, u});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, s + ": simplified\n" + t + ": traditional\n" + n +
                         ": not-enhanced\n" + u + ": unrecognised\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(CliTest, SaysWhereAHalfConvertedFileDiffers) {
  const std::string path = MakeRom("half.gba", RomEdition::Simplified);
  testing::WriteFileBytes(path, RomImageBuilder()
                                    .Edition(RomEdition::Simplified)
                                    .Put(0x6AE88, {0xC2, 0x33, 0x7D})
                                    .Put(0xC2A0A, {0x01})
                                    .Build());
  const CliRun run = Cli({path});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, path +
                         ": simplified (but the runs at 0x6AE88, 0xC2A04 do "
                         "not hold the simplified bytes: the file is damaged "
                         "or half converted)\n");
}

TEST_F(CliTest, ConvertsThereAndBackChangingOnlyTheRuns) {
  const std::string path = MakeRom("rom.gba", RomEdition::Simplified);
  const Bytes original = ReadFileBytes(path);

  CliRun run = Cli({"--to", "traditional", path});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out, path + ": simplified -> traditional\n");
  const Bytes converted = ReadFileBytes(path);
  ASSERT_EQ(converted.size(), original.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < original.size(); ++i) {
    differing += converted[i] != original[i];
  }
  EXPECT_EQ(differing, 15u) << "only the three head bytes of five runs";

  run = Cli({"--to=simplified", path});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(ReadFileBytes(path), original);
}

TEST_F(CliTest, RefusesTheWrongFileWithTheWindowsWarning) {
  const std::string wrong = MakeRom("n.gba", RomEdition::NotEnhanced);
  const std::string other = MakeRom("u.gba", RomEdition::Unrecognised);
  const std::string right = MakeRom("t.gba", RomEdition::Traditional);
  const Bytes wrong_before = ReadFileBytes(wrong);
  const Bytes other_before = ReadFileBytes(other);

  const CliRun run = Cli({"--to", "simplified", wrong, right, other});
  EXPECT_EQ(run.status, kExitWrongFile);
  EXPECT_EQ(run.out, right + ": traditional -> simplified\n");
  EXPECT_EQ(run.err, wrong +
                         ":\n您选择的不是Lumek汉化简繁增强版的ROM\n"
                         "        请选择正确的ROM文件\n" +
                         other +
                         ":\n您选择的不是“QorvaneADVANCE”的ROM\n"
                         "       请选择正确的ROM文件\n");
  EXPECT_EQ(ReadFileBytes(wrong), wrong_before);
  EXPECT_EQ(ReadFileBytes(other), other_before);
}

TEST_F(CliTest, FileErrorSaysTheFileWasLeftAsItWas) {
  const std::string wrong = MakeRom("n.gba", RomEdition::NotEnhanced);
  const std::string shorter =
      MakeRom("short.gba", RomEdition::Simplified, 0xC2000);
  const Bytes before = ReadFileBytes(shorter);
  const CliRun run = Cli({"--to", "traditional", shorter, wrong});
  EXPECT_EQ(run.status, kExitFileError);
  EXPECT_NE(run.err.find(shorter + ": 拒绝转换文件“" + shorter + "”：文件太短"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("文件保持原样"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileBytes(shorter), before);
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
      {{"--to", "a.gba"}, kExitUsage, ""},
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
