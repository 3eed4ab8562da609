#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "cli/windows_console.h"
#endif
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "cli/cli.h"
#include "tests/support/scratch.h"

namespace qorvane::cli {
namespace {

using enum RomEdition;
using Args = std::vector<std::string>;
using CliRun = std::tuple<int, std::string, std::string>;  // status, out, err

CliRun Cli(const Args& args) {
  std::ostringstream out, err;
  return {RunCli(args, out, err), out.str(), err.str()};  // left to right
}

#ifndef _WIN32  // POSIX names
// One line for each file, an error or warning to standard error; names
// that would break a line, or are no UTF-8, quoted as $'...'. Of several
// statuses the gravest wins, wherever it comes (exit statuses: 0 done, 1
// refused, 2 usage, 3 file error, 4 damaged).
TEST(CliTest, InspectsAndConvertsFileByFile) {
  testing::Scratch dir;
  const std::string t = dir.MakeRom(Traditional).string();
  const std::string n = dir.MakeRom(NotEnhanced).string();
  const std::string u = dir.MakeRom(Unrecognised).string();
  const std::string half =  // the first byte of one run, the last of another
      dir.MakeRom(Simplified, 0x100000, {{0x6AE88, {0xC2}}, {0xC2A0A, {1}}},
                  "half\t'\xFF\n.gba");
  const std::string q = "$'" + (dir / "half\\t\\'\\xFF\\n.gba'").string();
  const std::string gone = (dir / "it's 简体 版.gba").string();
  const std::vector<std::pair<Args, CliRun>> cases = {
      {{half},
       {4,
        q + ": simplified (but the runs at 0x6AE88, 0xC2A04 do not hold the "
            "simplified bytes: the file is damaged or half converted)\n",
        ""}},
      {{n, u}, {0, n + ": not-enhanced\n" + u + ": unrecognised\n", ""}},
      {{"--to=simplified", gone, n, t},
       {3, t + ": traditional -> simplified\n",
        gone + ": 文件不存在\n" + n +
            ":\n您选择的不是Lumek汉化简繁增强版的ROM\n        "
            "请选择正确的ROM文件\n"}},
      {{"--to", "simplified", u},
       {1, "",
        u + ":\n您选择的不是“QorvaneADVANCE”的ROM\n       "
            "请选择正确的ROM文件\n"}},
      {{"--to=simplified", half},
       {0,
        q + ": simplified -> simplified (repaired the runs at 0x6AE88, "
            "0xC2A04)\n",
        ""}},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(Cli(args), expected) << ::testing::PrintToString(args);
  }
}

#endif

#ifdef _WIN32
// Chinese reaches a real console as characters, not as its UTF-8 bytes.
TEST(WindowsCliTest, AConsoleGetsCharacters) {
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
  HANDLE screen = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE) << ::GetLastError();
  {
    HandleStreamBuf buffer(screen);
    std::ostream(&buffer) << "简体 ok" << std::flush;
  }
  std::wstring shown(16, L'\0');
  DWORD read = 0;
  ASSERT_TRUE(::ReadConsoleOutputCharacterW(
      screen, shown.data(), static_cast<DWORD>(shown.size()), {0, 0}, &read));
  shown.resize(read);
  // A wide character may fill two cells.
  shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
  EXPECT_TRUE(shown.starts_with(L"简体 ok")) << read;
  ::CloseHandle(screen);
  ::FreeConsole();
}
#endif

TEST(CliUsageTest, UsageErrorsAreToldOnStandardError) {
  for (const Args& args :
       {Args{}, Args{"--to"}, Args{"--to", "klingon", "a"}, Args{"-x", "a"}}) {
    const auto [status, out, err] = Cli(args);
    EXPECT_TRUE(status == 2 && out.empty() && !err.empty())
        << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace qorvane::cli
