#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

#ifdef _WIN32
#include <windows.h>

#include "cli/windows_console.h"
#include "text/text.h"

// The arguments as UTF-16, whatever the ANSI code page; Chinese output
// readable in a console and UTF-8 in a file or pipe.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(qorvane::Utf16ToUtf8(argv[i]));
  }
  qorvane::cli::HandleStreamBuf out_buffer(::GetStdHandle(STD_OUTPUT_HANDLE));
  qorvane::cli::HandleStreamBuf err_buffer(::GetStdHandle(STD_ERROR_HANDLE));
  std::ostream out(&out_buffer);
  std::ostream err(&err_buffer);
  return qorvane::cli::RunCli(args, out, err);
}
#else
#include <csignal>

int main(int argc, char** argv) {
  // A closed pipe is then a failed write, reported like any other.
  std::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return qorvane::cli::RunCli(args, std::cout, std::cerr);
}
#endif
