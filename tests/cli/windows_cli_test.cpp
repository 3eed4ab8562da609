// The CLI at the Windows edge: UTF-8 arguments naming Chinese paths, a device
// and a folder; output as UTF-8 bytes to a file and as characters to a
// console, with a character split between two writes; a failed write.

#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "cli/windows_console.h"
#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "tests/support/scratch.h"

namespace qorvane::cli {
namespace {

const std::string kLine = "样本.gba: 文件不存在\n";

// Writes kLine through the CLI's stream in two parts split inside a
// character; false when the stream failed.
bool WriteLine(HANDLE handle) {
  HandleStreamBuf buffer(handle);
  std::ostream stream(&buffer);
  stream << kLine.substr(0, 4) << std::flush << kLine.substr(4) << std::flush;
  return !stream.fail();
}

TEST(WindowsCliTest, ChineseNamesADeviceAFolderThenOutputToAFileAndAConsole) {
  testing::Scratch dir;
  const std::filesystem::path rom = dir / L"简体 版.gba",
                              out_file = dir / "out";
  testing::RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(rom);
  std::filesystem::create_directory(dir / L"文件夹");
  const std::string name = PathToUtf8(rom),
                    gone = PathToUtf8(dir / L"没有.gba"),
                    folder = PathToUtf8(dir / L"文件夹");
  std::ostringstream out, err;
  EXPECT_EQ(
      RunCli({"--to", "traditional", name, gone, "NUL", folder}, out, err),
      kExitFileError);
  EXPECT_EQ(out.str(), name + ": simplified -> traditional\n");
  EXPECT_EQ(err.str(), gone + ": 文件不存在\nNUL: 这不是一个普通文件\n" +
                           folder + ": 这不是一个普通文件\n");
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);

  // UTF-8 bytes to a file; a write that fails (no standard output at all).
  HANDLE file = ::CreateFileW(out_file.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, 0, nullptr);
  EXPECT_TRUE(WriteLine(file));
  ::CloseHandle(file);
  EXPECT_EQ(testing::ReadFileBytes(out_file),
            testing::Bytes(kLine.begin(), kLine.end()));
  EXPECT_FALSE(WriteLine(nullptr));
  // Characters to a console of the test's own, read back cell by cell.
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole());
  HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO start{};
  EXPECT_TRUE(::GetConsoleScreenBufferInfo(console, &start));
  EXPECT_TRUE(WriteLine(console));
  std::wstring shown(13, L'\0');
  DWORD got = 0;
  ::ReadConsoleOutputCharacterW(console, shown.data(), 13,
                                start.dwCursorPosition, &got);
  EXPECT_EQ(shown, L"样本.gba: 文件不存在");
  ::CloseHandle(console);
  ::FreeConsole();
}

}  // namespace
}  // namespace qorvane::cli
