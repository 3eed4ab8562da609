#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <fstream>
#include <string>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"
#include "tests/support/unprivileged.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadFileBytes;
using testing::RomImageBuilder;

TEST(InspectRomTest, OutcomesFromTheSignatureAlone) {
  using enum RomEdition;
  testing::Scratch dir;
  int count = 0;
  // An image of `size` bytes holding `bytes` at the signature.
  const auto image = [&](const Bytes& bytes, std::uint64_t size = 0x100000) {
    auto path = dir / ("image-" + std::to_string(count++) + ".bin");
    RomImageBuilder().Size(size).Put(SignatureOffset, bytes).WriteTo(path);
    return path;
  };
  fs::create_directory(dir / "folder.gba");
#ifdef _WIN32
  const fs::path device = "NUL";  // no FIFOs in Windows folders
#else
  const fs::path device = dir / "fifo.gba";
  ASSERT_EQ(::mkfifo(device.c_str(), 0600), 0);
#endif
  const Bytes s = {0x64, 0x48, 0x60};
  const std::tuple<fs::path, RomEdition, SignatureBytes> cases[] = {
      {image(s), Simplified, {0x64, 0x48, 0x60}},
      {image({0xC2, 0x33, 0x7D}), Traditional, {0xC2, 0x33, 0x7D}},
      {image({0x4A, 0x48, 0x60}), NotEnhanced, {0x4A, 0x48, 0x60}},
      {image({0x64, 0x48, 0x61}), Unrecognised, {0x64, 0x48, 0x61}},
      {image({0xC2, 0x48, 0x60}), Unrecognised, {0xC2, 0x48, 0x60}},
      {image({0x4A, 0x33, 0x7D}), Unrecognised, {0x4A, 0x33, 0x7D}},
      {image({0x00, 0x64, 0x48, 0x60}), Unrecognised, {0x00, 0x64, 0x48}},
      {image(s, SignatureOffset + 2), Unrecognised, {0, 0, 0}},
      {image(s, SignatureOffset + 3), Simplified, {0x64, 0x48, 0x60}},
      {dir / "missing.gba", Unrecognised, {0, 0, 0}},
      {dir / "image-0.bin" / "below.gba", Unrecognised, {0, 0, 0}},
      {dir / "folder.gba", Unrecognised, {0, 0, 0}},
      {device, Unrecognised, {0, 0, 0}},  // and no waiting
  };
  for (const auto& [path, edition, signature] : cases) {
    SCOPED_TRACE(path.string());
    const bool file = fs::is_regular_file(path);
    const bool existed = fs::exists(path);
    const Bytes before = file ? ReadFileBytes(path) : Bytes{};
    SignatureBytes read{0x64, 0x48, 0x60};  // left from an earlier file
    EXPECT_EQ(InspectRom(path, read), edition);
    EXPECT_EQ(read, signature);
    EXPECT_EQ(fs::exists(path), existed) << "created";
    EXPECT_EQ(file ? ReadFileBytes(path) : Bytes{}, before);
  }
}

TEST(InspectRomTest, ReadOnlyFileIsInspectedAndNotConverted) {
  testing::Scratch dir;
  const auto path = dir.MakeRom(RomEdition::Traditional);
  const Bytes before = ReadFileBytes(path);
  fs::permissions(path, fs::perms(0444));
#ifdef _WIN32
  // Wine run as root writes a read-only file as root writes any file, and
  // has no other user to become.
  if (std::ofstream(path, std::ios::app)) {
    fs::permissions(path, fs::perms(0644));
    GTEST_SKIP() << "this user may write read-only files";
  }
#endif
  const int result = testing::RunUnprivileged([&] {
    if (InspectRom(path) != RomEdition::Traditional) return 1;
    try {
      ConvertRom(path, 1);
    } catch (const RomError& error) {
      const auto* failure = std::get_if<SystemFailure>(&error.reason());
      return failure && failure->code == std::errc::permission_denied ? 0 : 2;
    }
    return 3;  // converted a file it had no right to write
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
}  // namespace qorvane
