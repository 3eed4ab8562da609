// The command-line companion: inspect or convert ROM files in batches.
// `RunCli` is the whole program; main only hands it the arguments.

#ifndef QORVANE_CLI_CLI_H_
#define QORVANE_CLI_CLI_H_

#include <ostream>
#include <string>
#include <vector>

namespace qorvane::cli {

// Exit statuses; with several files the gravest one wins: a file error,
// then a refusal, then a damaged file.
enum ExitStatus : int {
  kExitOk = 0,         // every file was inspected or converted
  kExitWrongFile = 1,  // a file was refused as the wrong file
  kExitUsage = 2,      // the command line was wrong
  kExitFileError = 3,  // a file error, or `out` or `err` could not be written
  kExitDamaged = 4,    // an inspected file is damaged or half converted
};

// `args` excludes the program name; paths are in the platform's narrow
// encoding (UTF-8 on Windows). Per-file lines go to `out`, messages to `err`,
// each flushed as it is written; after a failed write nothing more is done.
int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err);

}  // namespace qorvane::cli

#endif  // QORVANE_CLI_CLI_H_
