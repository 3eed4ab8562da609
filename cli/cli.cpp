#include "cli/cli.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>

#include "rom/rom_engine.h"
#include "switcher/error_report.h"
#include "switcher/switcher_texts.h"
#include "text/text.h"

#ifdef _WIN32
#include "cli/windows_console.h"
#endif

namespace qorvane::cli {
namespace {

constexpr std::string_view kProgram = "qorvane-switcher-cli";

// The manual page, cli/qorvane-switcher-cli.1, and the README say the same;
// a test checks that they keep doing so.
constexpr std::string_view kUsage =
    "Usage: qorvane-switcher-cli [--to simplified|traditional] FILE...\n"
    "\n"
    "Without --to, prints each FILE's edition: simplified, traditional,\n"
    "not-enhanced or unrecognised, and the offsets of any of its five runs\n"
    "that do not hold that edition's bytes (a damaged or half-converted "
    "file).\n"
    "With --to, switches each simplified or traditional FILE in place to the\n"
    "given script, writing all five runs, which repairs a damaged or\n"
    "half-converted file; any other file is refused and left untouched.\n"
    "\n"
    "Options:\n"
    "  --to SCRIPT    convert to SCRIPT: simplified or traditional\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "  --             treat every later argument as a FILE\n"
    "\n"
    "Exit status:\n"
    "  0  every file was inspected or converted\n"
    "  1  a file was refused as the wrong file\n"
    "  2  usage error\n"
    "  3  a file error, or output that could not be written\n"
    "  4  an inspected file is damaged or half converted\n"
    "With several files the gravest status wins: 3, then 1, then 4.";

struct Options {
  std::optional<TargetScript> target;
  std::vector<std::string> files;
  bool help = false;
  bool version = false;
};

// The command line's edition words.
constexpr std::string_view EditionWord(RomEdition edition) {
  switch (edition) {
    case RomEdition::Simplified:
      return "simplified";
    case RomEdition::Traditional:
      return "traditional";
    case RomEdition::NotEnhanced:
      return "not-enhanced";
    case RomEdition::Unrecognised:
      break;
  }
  return "unrecognised";
}

constexpr RomEdition EditionAfter(TargetScript target) {
  return target == kSimplifiedScript ? RomEdition::Simplified
                                     : RomEdition::Traditional;
}

// The length of the UTF-8 sequence that `text` starts with; 0 if it does not
// start with a valid one (overlong forms and surrogates are invalid).
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (lead < 0xC2 || lead > 0xF4 || text.size() < length) return 0;
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// A valid sequence that is not a C0 or C1 control character or DEL.
bool IsPrintable(std::string_view sequence) {
  const auto lead = static_cast<unsigned char>(sequence[0]);
  if (sequence.size() == 1) return lead >= 0x20 && lead != 0x7F;
  return !(lead == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0);
}

// A file name as it is printed, so that one line is one file: as it is,
// unless it holds a control character or bytes that are not UTF-8; then
// quoted as the shell's $'...', with \n, \t, \r, \\, \' and \xHH escapes.
std::string ShownName(std::string_view name) {
  std::string shown = "$'";
  bool plain = true;
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = Utf8SequenceLength(name.substr(at));
    const std::string_view sequence =
        name.substr(at, std::max<std::size_t>(length, 1));
    at += sequence.size();
    if (length > 0 && IsPrintable(sequence)) {
      if (sequence == "'" || sequence == "\\") shown += '\\';
      shown += sequence;
      continue;
    }
    plain = false;
    for (const char c : sequence) {
      if (c == '\n') {
        shown += "\\n";
      } else if (c == '\t') {
        shown += "\\t";
      } else if (c == '\r') {
        shown += "\\r";
      } else {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X",
                      static_cast<unsigned char>(c));
        shown += escape;
      }
    }
  }
  return plain ? std::string(name) : shown + "'";
}

// A message box text as terminal lines.
std::string AsLines(std::string_view text) {
  std::string lines(text);
  std::replace(lines.begin(), lines.end(), '\r', '\n');
  return lines;
}

// An argument in a usage error: quoted, and escaped where it needs it.
std::string QuotedArg(const std::string& arg) {
  const std::string shown = ShownName(arg);
  return shown == arg ? "'" + arg + "'" : shown;
}

std::optional<TargetScript> ParseScript(std::string_view word) {
  if (word == EditionWord(RomEdition::Simplified)) return kSimplifiedScript;
  if (word == EditionWord(RomEdition::Traditional)) return kTraditionalScript;
  return std::nullopt;
}

// Fills `options`; returns the usage error, if any.
std::optional<std::string> ParseArgs(const std::vector<std::string>& args,
                                     Options& options) {
  const std::string program(kProgram);
  bool only_files = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_files || arg == "-" || !arg.starts_with("-")) {
      options.files.push_back(arg);
    } else if (arg == "--") {
      only_files = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "-V" || arg == "--version") {
      options.version = true;
    } else if (arg == "--to" || arg.starts_with("--to=")) {
      std::string value;
      if (arg == "--to") {
        if (i + 1 == args.size()) {
          return program + ": --to needs simplified or traditional";
        }
        value = args[++i];
      } else {
        value = arg.substr(5);
      }
      options.target = ParseScript(value);
      if (!options.target) {
        return program + ": --to takes simplified or traditional, not " +
               QuotedArg(value);
      }
    } else {
      return program + ": unknown option " + QuotedArg(arg);
    }
  }
  if (!options.help && !options.version && options.files.empty()) {
    return program + ": no FILE given";
  }
  return std::nullopt;
}

std::string Hex(std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX",
                static_cast<unsigned long long>(value));
  return text;
}

// "the runs at 0x6AE88, 0xC2A04"
std::string RunsAt(std::span<const PatchSite> sites) {
  std::string text = sites.size() == 1 ? "the run at" : "the runs at";
  for (std::size_t i = 0; i < sites.size(); ++i) {
    text += (i == 0 ? " " : ", ") + Hex(sites[i].offset);
  }
  return text;
}

// Writes whole lines, each flushed at once so that a failure shows before
// the next file is touched. After a failed write nothing more is written,
// but a message about it on standard error if that still works.
class Output {
 public:
  Output(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  void Out(std::string_view line) { Write(out_, line, "standard output"); }
  void Err(std::string_view line) { Write(err_, line, "standard error"); }
  bool failed() const { return failed_; }

 private:
  void Write(std::ostream& stream, std::string_view line,
             std::string_view name) {
    if (failed_) return;
    errno = 0;
    stream << line << '\n';
    stream.flush();
    if (stream) return;
    const int error = errno;
    failed_ = true;
    if (&stream == &err_) return;
    err_ << kProgram << ": cannot write to " << name;
    if (error != 0) err_ << ": " << std::generic_category().message(error);
    err_ << '\n';
    err_.flush();
  }

  std::ostream& out_;
  std::ostream& err_;
  bool failed_ = false;
};

int Inspect(const std::string& file, Output& output) {
  const RomReport report = ExamineRom(Utf8ToPath(file));
  std::string line = ShownName(file) + ": ";
  line += EditionWord(report.edition);
  if (!report.mismatched_sites.empty()) {
    line += " (but " + RunsAt(report.mismatched_sites) +
            (report.mismatched_sites.size() == 1 ? " does" : " do") +
            " not hold the ";
    line += EditionWord(report.edition);
    line += " bytes: the file is damaged or half converted)";
  }
  output.Out(line);
  return report.mismatched_sites.empty() ? kExitOk : kExitDamaged;
}

int Convert(const std::string& file, TargetScript target, Output& output) {
  RomReport before;
  try {
#ifdef _WIN32
    const ConsoleCtrlHold hold;  // Ctrl-C waits until the file is closed
#endif
    before = ConvertRom(Utf8ToPath(file), target);
  } catch (const RomError& error) {
    // Nothing was written. A file of another edition is refused with the
    // window's warning.
    if (error.code() != RomRefusal::NotEnhancedEdition) throw;
    output.Err(ShownName(file) + ":\n" +
               AsLines(texts::WrongFileWarning(error.edition())));
    return kExitWrongFile;
  }
  std::string line = ShownName(file) + ": ";
  line += EditionWord(before.edition);
  line += " -> ";
  line += EditionWord(EditionAfter(target));
  if (!before.mismatched_sites.empty()) {
    line += " (repaired " + RunsAt(before.mismatched_sites) + ")";
  }
  output.Out(line);
  return kExitOk;
}

// A file error as one line. A path that names no file or no regular file
// gets a short report; any other the whole one, naming the file as printed.
std::string FileErrorLine(const std::string& file, const RomError& error) {
  const std::string shown = ShownName(file);
  if (error.code() == std::errc::no_such_file_or_directory ||
      error.code() == RomRefusal::NotRegularFile) {
    return shown + ": " + DescribeError(error.code());
  }
  return shown + ": " + ErrorReport(error, shown);
}

// With several files: a file error, then a refusal, then a damaged file.
int Graver(int status, int other) {
  constexpr std::array<int, 4> kRising = {kExitOk, kExitDamaged, kExitWrongFile,
                                          kExitFileError};
  const auto rank = [&](int value) {
    return std::find(kRising.begin(), kRising.end(), value) - kRising.begin();
  };
  return rank(other) > rank(status) ? other : status;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
  Output output(out, err);
  Options options;
  if (const auto usage_error = ParseArgs(args, options)) {
    output.Err(*usage_error + "\nTry '" + std::string(kProgram) + " --help'.");
    return output.failed() ? kExitFileError : kExitUsage;
  }
  if (options.help || options.version) {
    output.Out(options.help
                   ? std::string(kUsage)
                   : std::string(kProgram) + " " + QORVANE_VERSION_TEXT);
    return output.failed() ? kExitFileError : kExitOk;
  }

  int status = kExitOk;
  for (const std::string& file : options.files) {
    int result = kExitOk;
    try {
      result = options.target ? Convert(file, *options.target, output)
                              : Inspect(file, output);
    } catch (const RomError& error) {
      output.Err(FileErrorLine(file, error));
      result = kExitFileError;
    }
    if (output.failed()) return kExitFileError;
    status = Graver(status, result);
  }
  return status;
}

}  // namespace qorvane::cli
