// The CLI at the Windows edge: Chinese names, devices and folders through
// UTF-8 arguments; UTF-8 output as characters on a console and as bytes in a
// file; a write that fails.

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

namespace fs = std::filesystem;

TEST(WindowsCliTest, ChineseNamesDevicesAndFolders) {
  testing::Scratch dir;
  const fs::path rom = dir / L"简体 版.gba";
  testing::RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(rom);
  fs::create_directory(dir / L"文件夹");
  const std::string name = PathToUtf8(rom);
  const std::string gone = PathToUtf8(dir / L"没有.gba");
  const std::string folder = PathToUtf8(dir / L"文件夹");
  std::ostringstream out, err;
  EXPECT_EQ(
      RunCli({"--to", "traditional", name, gone, "NUL", folder}, out, err),
      kExitFileError);
  EXPECT_EQ(out.str(), name + ": simplified -> traditional\n");
  EXPECT_EQ(err.str(), gone + ": 文件不存在\nNUL: 这不是一个普通文件\n" +
                           folder + ": 这不是一个普通文件\n");
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
}

const std::string kLine = "样本.gba: 文件不存在\n";

// Writes kLine in two parts split inside a character, as a stream may.
bool WriteSplit(HANDLE handle) {
  HandleStreamBuf buffer(handle);
  std::ostream stream(&buffer);
  stream << kLine.substr(0, 4) << std::flush << kLine.substr(4) << std::flush;
  return !stream.fail();
}

TEST(WindowsCliTest, OutputIsUtf8InAFileAndCharactersOnAConsole) {
  testing::Scratch dir;
  const fs::path path = dir / "out.txt";
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(WriteSplit(file));
  ::CloseHandle(file);
  const testing::Bytes bytes = testing::ReadFileBytes(path);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), kLine);

  // A console of the test's own, read back cell by cell.
  const DWORD kinds[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE saved[3];
  for (int i = 0; i < 3; ++i) saved[i] = ::GetStdHandle(kinds[i]);
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole());
  HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO start{};
  EXPECT_TRUE(::GetConsoleScreenBufferInfo(console, &start));
  EXPECT_TRUE(WriteSplit(console));
  const std::wstring expected = L"样本.gba: 文件不存在";
  std::wstring shown(expected.size(), L'\0');
  DWORD got = 0;
  ::ReadConsoleOutputCharacterW(console, shown.data(),
                                static_cast<DWORD>(shown.size()),
                                start.dwCursorPosition, &got);
  EXPECT_EQ(shown, expected);
  ::CloseHandle(console);
  ::FreeConsole();
  for (int i = 0; i < 3; ++i) ::SetStdHandle(kinds[i], saved[i]);
}

TEST(WindowsCliTest, AFailedWriteFailsTheStream) {
  testing::Scratch dir;
  const fs::path path = dir / "out.txt";
  testing::RomImageBuilder().Size(1).WriteTo(path);
  HANDLE read_only = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(WriteSplit(read_only));
  ::CloseHandle(read_only);
  EXPECT_FALSE(WriteSplit(nullptr));  // no standard output at all
}

}  // namespace
}  // namespace qorvane::cli
