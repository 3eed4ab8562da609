// The CLI at the Windows edge: a Chinese name through a UTF-8 argument;
// output as UTF-8 bytes to a file and as characters to a console, with a
// character split between two writes; a write that fails. (Devices, folders
// and missing files are the engine's Windows tests'.)

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

TEST(WindowsCliTest, AChineseNameThenOutputToAFileAConsoleAndNowhere) {
  testing::Scratch dir;
  const std::filesystem::path rom = dir / L"简体 版.gba", file = dir / "out";
  testing::RomImageBuilder().Edition(RomEdition::Simplified).WriteTo(rom);
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"--to", "traditional", PathToUtf8(rom)}, out, err),
            kExitOk);
  EXPECT_EQ(out.str(), PathToUtf8(rom) + ": simplified -> traditional\n");
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);

  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, 0, nullptr);
  EXPECT_TRUE(WriteLine(handle));
  ::CloseHandle(handle);
  EXPECT_EQ(testing::ReadFileBytes(file),
            testing::Bytes(kLine.begin(), kLine.end()));
  EXPECT_FALSE(WriteLine(nullptr));  // no standard output at all
  // A console of the test's own, read back cell by cell.
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole());
  handle = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO start{};
  EXPECT_TRUE(::GetConsoleScreenBufferInfo(handle, &start));
  EXPECT_TRUE(WriteLine(handle));
  std::wstring shown(13, L'\0');
  DWORD got = 0;
  ::ReadConsoleOutputCharacterW(handle, shown.data(), 13,
                                start.dwCursorPosition, &got);
  EXPECT_EQ(shown, L"样本.gba: 文件不存在");
  ::CloseHandle(handle);
  ::FreeConsole();
}

}  // namespace
}  // namespace qorvane::cli
