// The engine on Windows: what other programs may do with the file while it
// is open, paths longer than MAX_PATH, and the system's errors in words.

#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane {
namespace {

namespace fs = std::filesystem;

// At the first read, tries what another program might do with the file:
// open it to read, to write, to delete.
struct OtherProgram : FileCalls {
  explicit OtherProgram(fs::path file) : path(std::move(file)) {}
  IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                  std::uint64_t offset) override {
    const DWORD accesses[] = {GENERIC_READ, GENERIC_WRITE, DELETE};
    for (DWORD access : accesses) {
      if (errors.size() == 3) break;
      HANDLE other =
          ::CreateFileW(path.c_str(), access,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
      errors.push_back(other == INVALID_HANDLE_VALUE ? ::GetLastError() : 0);
      if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    }
    return FileCalls::ReadAt(handle, buffer, offset);
  }
  fs::path path;
  std::vector<DWORD> errors;
};

TEST(WindowsRomTest, ConversionLetsOthersOnlyReadInspectionLetsThemAll) {
  testing::Scratch dir;
  const fs::path path = dir.MakeRom(RomEdition::Simplified);
  OtherProgram during_conversion(path);
  ConvertRom(path, kTraditionalScript, during_conversion);
  EXPECT_EQ(during_conversion.errors,
            (std::vector<DWORD>{0, ERROR_SHARING_VIOLATION,
                                ERROR_SHARING_VIOLATION}));
  OtherProgram during_inspection(path);
  SignatureBytes signature{};
  EXPECT_EQ(InspectRom(path, signature, during_inspection),
            RomEdition::Traditional);
  EXPECT_EQ(during_inspection.errors, (std::vector<DWORD>{0, 0, 0}));
}

TEST(WindowsRomTest, PathsLongerThanMaxPath) {
  testing::Scratch dir;
  // Made through the \\?\ form, which takes any length.
  std::wstring deep = LR"(\\?\)" + fs::absolute(dir / L"长").wstring();
  std::vector<std::wstring> folders;
  while (true) {
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr)) << ::GetLastError();
    folders.push_back(deep);
    if (deep.size() > MAX_PATH + 40) break;
    deep += L"\\文件夹文件夹文件夹文件夹文件夹文件夹文件夹文件夹";
  }
  testing::RomImageBuilder()
      .Edition(RomEdition::Simplified)
      .WriteTo(deep + L"\\样本.gba");
  // Given plainly, as a user's program would.
  const fs::path rom = deep.substr(4) + L"\\样本.gba";
  ASSERT_GT(rom.native().size(), std::size_t{MAX_PATH});
  EXPECT_EQ(InspectRom(rom), RomEdition::Simplified);
  ConvertRom(rom, kTraditionalScript);
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
  EXPECT_TRUE(::DeleteFileW((deep + L"\\样本.gba").c_str()));
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    ::RemoveDirectoryW(folder->c_str());
  }
}

TEST(WindowsRomTest, SystemErrorsInPlainChineseAndTheRestAsUtf8) {
  const struct {
    DWORD code;
    std::string words;
  } cases[] = {
      {ERROR_SHARING_VIOLATION, "文件被其他程序占用"},
      {ERROR_LOCK_VIOLATION, "文件被其他程序占用"},
      {ERROR_ACCESS_DENIED, "没有访问此文件的权限"},
      {ERROR_DISK_FULL, "磁盘空间不足"},
      {ERROR_FILE_NOT_FOUND, "文件不存在，可能已被删除、移动或改名"},
      {ERROR_PATH_NOT_FOUND, "文件不存在，可能已被删除、移动或改名"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeSystemError({int(c.code), std::system_category()}),
              c.words)
        << c.code;
  }
  // Any other: the system's own words, as UTF-8, without a trailing stop.
  const std::string other =
      DescribeSystemError({ERROR_NOT_READY, std::system_category()});
  ASSERT_TRUE(other.starts_with("系统错误：")) << other;
  const std::string words = other.substr(std::string("系统错误：").size());
  EXPECT_FALSE(words.empty());
  EXPECT_NE(::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, words.data(),
                                  static_cast<int>(words.size()), nullptr, 0),
            0);
  EXPECT_TRUE(words.back() != '.' && words.back() != '\n') << words;
}

}  // namespace
}  // namespace qorvane
