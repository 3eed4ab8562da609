#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "tools/rom_image.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

namespace qorvane {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::RomImageBuilder;

class InspectRomTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
};

TEST_F(InspectRomTest, NamesTheEditionFromTheSignatureAlone) {
  struct Case {
    const char* name;
    Bytes signature;
    RomEdition expected;
  };
  const std::vector<Case> cases = {
      {"a.gba", {0x64, 0x48, 0x60}, RomEdition::Simplified},
      {"b.GBA", {0xC2, 0x33, 0x7D}, RomEdition::Traditional},
      {"c.gba", {0x4A, 0x48, 0x60}, RomEdition::NotEnhanced},
      {"d.bin", {0x64, 0x48, 0x60}, RomEdition::Simplified},
      {"no-extension", {0xC2, 0x33, 0x7D}, RomEdition::Traditional},
      {"e.gba", {0x64, 0x48, 0x5F}, RomEdition::Unrecognised},
  };
  for (const Case& c : cases) {
    const auto path = dir_ / c.name;
    RomImageBuilder().Put(SignatureOffset, c.signature).WriteTo(path);
    SignatureBytes signature{};
    EXPECT_EQ(InspectRom(path, signature), c.expected) << c.name;
    EXPECT_EQ(Bytes(signature.begin(), signature.end()), c.signature);
  }
}

TEST_F(InspectRomTest, OffsetIsExact) {
  const auto path = dir_ / "late.gba";
  RomImageBuilder()
      .Put(SignatureOffset, {0x00})
      .Put(SignatureOffset + 1, {0x64, 0x48, 0x60})
      .WriteTo(path);
  EXPECT_EQ(InspectRom(path), RomEdition::Unrecognised);
}

TEST_F(InspectRomTest, NeverChangesTheFileAndWorksWhenReadOnly) {
  const auto path = dir_ / "ro.gba";
  RomImageBuilder().Edition(RomEdition::Traditional).WriteTo(path);
  const Bytes before = ReadFileBytes(path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  const int result = testing::RunUnprivileged(
      [&] { return InspectRom(path) == RomEdition::Traditional ? 0 : 1; });
  EXPECT_EQ(result, 0) << "a read-only ROM must be inspectable";
  EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(InspectRomTest, SecondInspectionLeavesItsOwnBytes) {
  const auto first = dir_ / "first.gba";
  const auto second = dir_ / "second.gba";
  RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(first);
  RomImageBuilder().Edition(RomEdition::NotEnhanced).WriteTo(second);
  SignatureBytes signature{};
  EXPECT_EQ(InspectRom(first, signature), RomEdition::Simplified);
  EXPECT_EQ(InspectRom(second, signature), RomEdition::NotEnhanced);
  EXPECT_EQ(signature, (SignatureBytes{0x4A, 0x48, 0x60}));
}

TEST_F(InspectRomTest, ShortFilesAreUnrecognisedWhateverCameBefore) {
  const auto good = dir_ / "good.gba";
  RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(good);
  // Sizes that end before, at, and inside the signature.
  for (std::uint64_t size : {std::uint64_t{0}, SignatureOffset,
                             SignatureOffset + 1, SignatureOffset + 2}) {
    SCOPED_TRACE(size);
    const auto path = dir_ / ("short-" + std::to_string(size) + ".gba");
    RomImageBuilder().Size(size).Edition(RomEdition::Simplified).WriteTo(path);
    SignatureBytes signature{};
    ASSERT_EQ(InspectRom(good, signature), RomEdition::Simplified);
    EXPECT_EQ(InspectRom(path, signature), RomEdition::Unrecognised);
    EXPECT_EQ(signature, (SignatureBytes{0, 0, 0}));
  }
  const auto exact = dir_ / "exact.gba";
  RomImageBuilder()
      .Size(SignatureOffset + 3)
      .Edition(RomEdition::Simplified)
      .WriteTo(exact);
  EXPECT_EQ(InspectRom(exact), RomEdition::Simplified);
}

TEST_F(InspectRomTest, WhatIsNotARegularFileIsUnrecognisedAndUntouched) {
  const auto missing = dir_ / "missing.gba";
  EXPECT_EQ(InspectRom(missing), RomEdition::Unrecognised);
  EXPECT_FALSE(std::filesystem::exists(missing)) << "inspection created it";

  const auto folder = dir_ / "folder.gba";
  std::filesystem::create_directory(folder);
  EXPECT_EQ(InspectRom(folder), RomEdition::Unrecognised);

  // A FIFO with no writer must not hang the inspection.
  const auto fifo = dir_ / "fifo.gba";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(InspectRom(fifo), RomEdition::Unrecognised);

  EXPECT_EQ(InspectRom("/dev/zero"), RomEdition::Unrecognised);

  const auto file = dir_ / "file.gba";
  RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(file);
  EXPECT_EQ(InspectRom(file / "below.gba"), RomEdition::Unrecognised);
}

TEST_F(InspectRomTest, ChineseFileNameWorks) {
  const auto path = dir_ / std::filesystem::path(u8"测试用 繁体版.gba");
  RomImageBuilder().Edition(RomEdition::Traditional).WriteTo(path);
  EXPECT_EQ(InspectRom(path), RomEdition::Traditional);
}

}  // namespace
}  // namespace qorvane
