#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

#ifdef _WIN32
#include <filesystem>

#include "rom/path_text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(qorvane::PathToUtf8(std::filesystem::path(argv[i])));
  }
  return qorvane::cli::RunCli(args, std::cout, std::cerr);
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
