// The engine's Windows file branch: a path longer than MAX_PATH, what other
// programs may do with the file meanwhile, Windows error codes in words.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
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

// The common ones in the project's words; any other in the system's (Chinese
// where it has them) as UTF-8, never the ANSI code page's '?', and no stop.
TEST(WindowsRomTest, ErrorCodesInWords) {
  std::string got;
  for (const long code :
       {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_ACCESS_DENIED,
        ERROR_DISK_FULL, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,
        ERROR_NOT_READY}) {
    got += DescribeSystemError({int(code), std::system_category()}) + "|";
  }
  const std::size_t other = got.find("系统错误：");
  EXPECT_EQ(got.substr(0, other),
            "文件被其他程序占用|文件被其他程序占用|没有访问此文件的权限|"
            "磁盘空间不足|文件不存在，可能已被删除、移动或改名|"
            "文件不存在，可能已被删除、移动或改名|");
  EXPECT_TRUE(got.size() > other + 16 && !got.ends_with("。|") &&
              got.find_first_of("?.\r\n") == std::string::npos)
      << got;
}

}  // namespace
}  // namespace qorvane
