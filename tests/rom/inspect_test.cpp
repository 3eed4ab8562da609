#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"
#include "tests/support/unprivileged.h"

namespace qorvane {
namespace {

using testing::Bytes;
using testing::ReadFileBytes;
using testing::RomImageBuilder;

TEST(ClassifySignatureTest, MatchesWholeTriplesOnly) {
  const std::vector<std::pair<SignatureBytes, RomEdition>> cases = {
      {{0x64, 0x48, 0x60}, RomEdition::Simplified},
      {{0xC2, 0x33, 0x7D}, RomEdition::Traditional},
      {{0x4A, 0x48, 0x60}, RomEdition::NotEnhanced},
      {{0x64, 0x48, 0x61}, RomEdition::Unrecognised},
      {{0xC2, 0x48, 0x60}, RomEdition::Unrecognised},
      {{0x4A, 0x33, 0x7D}, RomEdition::Unrecognised},
      {{0x00, 0x00, 0x00}, RomEdition::Unrecognised},
  };
  for (const auto& [bytes, edition] : cases) {
    EXPECT_EQ(ClassifySignature(bytes), edition) << int{bytes[2]};
  }
}

TEST(InspectRomTest, OutcomesFromTheSignatureAlone) {
  testing::Scratch dir;
  const auto image = [&](const char* name, RomImageBuilder builder) {
    builder.WriteTo(dir / name);
    return dir / name;
  };
  std::filesystem::create_directory(dir / "folder.gba");
  ASSERT_EQ(::mkfifo((dir / "fifo.gba").c_str(), 0600), 0);
  struct Case {
    std::filesystem::path path;
    RomEdition edition;
    SignatureBytes read;
  };
  const std::vector<Case> cases = {
      {image("a.bin",
             RomImageBuilder().Put(SignatureOffset, {0x64, 0x48, 0x60})),
       RomEdition::Simplified,
       {0x64, 0x48, 0x60}},
      {image("b.GBA", RomImageBuilder().Edition(RomEdition::Traditional)),
       RomEdition::Traditional,
       {0xC2, 0x33, 0x7D}},
      {image("c.gba", RomImageBuilder().Edition(RomEdition::NotEnhanced)),
       RomEdition::NotEnhanced,
       {0x4A, 0x48, 0x60}},
      {image("late.gba",
             RomImageBuilder().Put(SignatureOffset, {0, 0x64, 0x48, 0x60})),
       RomEdition::Unrecognised,
       {0x00, 0x64, 0x48}},
      {image("short.gba", RomImageBuilder()
                              .Size(SignatureOffset + 2)
                              .Edition(RomEdition::Simplified)),
       RomEdition::Unrecognised,
       {0, 0, 0}},
      {image("exact.gba", RomImageBuilder()
                              .Size(SignatureOffset + 3)
                              .Edition(RomEdition::Simplified)),
       RomEdition::Simplified,
       {0x64, 0x48, 0x60}},
      {dir / "missing.gba", RomEdition::Unrecognised, {0, 0, 0}},
      {dir / "a.bin" / "below.gba", RomEdition::Unrecognised, {0, 0, 0}},
      {dir / "folder.gba", RomEdition::Unrecognised, {0, 0, 0}},
      {dir / "fifo.gba", RomEdition::Unrecognised, {0, 0, 0}},  // no wait
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    const bool file = std::filesystem::is_regular_file(c.path);
    const bool existed = std::filesystem::exists(c.path);
    const Bytes before = file ? ReadFileBytes(c.path) : Bytes{};
    SignatureBytes read{0x64, 0x48, 0x60};  // left from an earlier file
    EXPECT_EQ(InspectRom(c.path, read), c.edition);
    EXPECT_EQ(read, c.read);
    EXPECT_EQ(std::filesystem::exists(c.path), existed) << "created";
    if (file) {
      EXPECT_EQ(ReadFileBytes(c.path), before);
    }
  }
}

TEST(InspectRomTest, ReadOnlyFileIsInspectedAndNotConverted) {
  testing::Scratch dir;
  const auto path = dir.MakeRom(RomEdition::Traditional);
  const Bytes before = ReadFileBytes(path);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  const int result = testing::RunUnprivileged([&] {
    if (InspectRom(path) != RomEdition::Traditional) return 1;
    try {
      ConvertRom(path, 1);
    } catch (const RomError& error) {
      const auto* failure = std::get_if<SystemFailure>(&error.reason());
      return failure && failure->operation == RomOperation::Open &&
                     failure->code == std::errc::permission_denied
                 ? 0
                 : 2;
    }
    return 3;  // converted a file it had no right to write
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
}  // namespace qorvane
