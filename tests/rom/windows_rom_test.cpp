// The engine's Windows file branch: a path longer than MAX_PATH, what other
// programs may do with the file meanwhile, Windows error codes in words.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

// At the first read, tries to open the file to read, to write and to delete,
// as another program might, and records each open's error (0: allowed).
struct OtherProgram : FileCalls {
  IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                  std::uint64_t offset) override {
    const DWORD accesses[] = {GENERIC_READ, GENERIC_WRITE, DELETE};
    for (std::size_t i = errors.size(); i < 3; ++i) {
      HANDLE other = ::CreateFileW(path.c_str(), accesses[i], 7 /* share all */,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
      errors.push_back(other == INVALID_HANDLE_VALUE ? ::GetLastError() : 0);
      if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    }
    return FileCalls::ReadAt(handle, buffer, offset);
  }
  std::wstring path;
  std::vector<DWORD> errors;
};

TEST(WindowsRomTest, ALongPathAndWhatOthersMayDoWithTheFileMeanwhile) {
  testing::Scratch dir;
  // Made through \\?\, which takes any length; given to the engine plainly.
  const std::wstring folder =
      LR"(\\?\)" + (dir / std::wstring(200, L'd')).native();
  ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  OtherProgram converting, inspecting;
  const std::wstring rom = converting.path = inspecting.path =
      folder + L"\\样本" + std::wstring(60, L'f') + L".gba";
  testing::RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(rom);
  ConvertRom(rom.substr(4), kTraditionalScript, converting);
  SignatureBytes signature{};
  EXPECT_EQ(InspectRom(rom.substr(4), signature, inspecting),
            RomEdition::Traditional);
  EXPECT_EQ(converting.errors, (std::vector<DWORD>{0, ERROR_SHARING_VIOLATION,
                                                   ERROR_SHARING_VIOLATION}));
  EXPECT_EQ(inspecting.errors, (std::vector<DWORD>{0, 0, 0}));
}

// The common codes read as the portable conditions they stand for; any
// other in the system's words (Chinese where it has them) as UTF-8, never
// the ANSI code page's '?', and no stop.
TEST(WindowsRomTest, ErrorCodesInWords) {
  using std::errc;
  const std::pair<long, errc> common[] = {
      {ERROR_SHARING_VIOLATION, errc::device_or_resource_busy},
      {ERROR_LOCK_VIOLATION, errc::device_or_resource_busy},
      {ERROR_ACCESS_DENIED, errc::permission_denied},
      {ERROR_DISK_FULL, errc::no_space_on_device},
      {ERROR_HANDLE_DISK_FULL, errc::no_space_on_device},
      {ERROR_WRITE_PROTECT, errc::read_only_file_system},
      {ERROR_FILE_NOT_FOUND, errc::no_such_file_or_directory},
      {ERROR_PATH_NOT_FOUND, errc::no_such_file_or_directory},
  };
  for (const auto& [code, condition] : common) {
    EXPECT_EQ(DescribeError({int(code), std::system_category()}),
              DescribeError(std::make_error_code(condition)))
        << code;
  }
  const std::string other =
      DescribeError({ERROR_NOT_READY, std::system_category()});
  const std::string io = DescribeError(std::make_error_code(errc::io_error));
  EXPECT_TRUE(other.size() > 16 && other != io && !other.ends_with("。") &&
              other.find_first_of("?.\r\n") == std::string::npos)
      << other;
}

}  // namespace
}  // namespace qorvane
