#include "cli/cli.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "rom/rom_error.h"
#include "switcher/switcher_texts.h"

namespace qorvane::cli {
namespace {

// The edition as the command line names it.
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

constexpr std::string_view kProgram = "qorvane-switcher-cli";

constexpr std::string_view kUsage =
    "Usage: qorvane-switcher-cli [--to simplified|traditional] FILE...\n"
    "\n"
    "Without --to, prints each FILE's edition: simplified, traditional,\n"
    "not-enhanced or unrecognised, and says where a file's patch runs do not\n"
    "all match its edition.\n"
    "With --to, switches each simplified or traditional FILE in place to the\n"
    "given script; any other file is refused and left untouched.\n"
    "\n"
    "Options:\n"
    "  --to SCRIPT    convert to SCRIPT: simplified or traditional\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Exit status: 0 every file inspected or converted; 1 a file was refused\n"
    "as the wrong file; 2 usage error; 3 file error.\n";

struct Options {
  std::optional<TargetScript> target;
  std::vector<std::string> files;
  bool help = false;
  bool version = false;
};

std::filesystem::path ArgToPath(const std::string& arg) {
#ifdef _WIN32
  return Utf8ToPath(arg);
#else
  return arg;
#endif
}

// A message box text as terminal lines.
std::string AsLines(std::string_view text) {
  std::string lines(text);
  std::replace(lines.begin(), lines.end(), '\r', '\n');
  return lines;
}

std::optional<TargetScript> ParseScript(std::string_view name) {
  if (name == EditionWord(RomEdition::Simplified)) return kSimplifiedScript;
  if (name == EditionWord(RomEdition::Traditional)) return kTraditionalScript;
  return std::nullopt;
}

// Fills `options`; on a usage error writes it to `err` and returns false.
bool ParseArgs(const std::vector<std::string>& args, Options& options,
               std::ostream& err) {
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
          err << kProgram << ": --to needs simplified or traditional\n";
          return false;
        }
        value = args[++i];
      } else {
        value = arg.substr(5);
      }
      options.target = ParseScript(value);
      if (!options.target) {
        err << kProgram << ": --to takes simplified or traditional, not '"
            << value << "'\n";
        return false;
      }
    } else {
      err << kProgram << ": unknown option '" << arg << "'\n";
      return false;
    }
  }
  if (!options.help && !options.version && options.files.empty()) {
    err << kProgram << ": no FILE given\n";
    return false;
  }
  return true;
}

std::string Hex(std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX",
                static_cast<unsigned long long>(value));
  return text;
}

int Inspect(const std::string& file, std::ostream& out) {
  const RomReport report = ExamineRom(ArgToPath(file));
  out << file << ": " << EditionWord(report.edition);
  if (!report.mismatched_sites.empty()) {
    const std::size_t count = report.mismatched_sites.size();
    out << (count == 1 ? " (but the run at" : " (but the runs at");
    for (std::size_t i = 0; i < count; ++i) {
      out << (i == 0 ? " " : ", ") << Hex(report.mismatched_sites[i].offset);
    }
    out << (count == 1 ? " does" : " do") << " not hold the "
        << EditionWord(report.edition)
        << " bytes: the file is damaged or half converted)";
  }
  out << '\n';
  return kExitOk;
}

int Convert(const std::string& file, TargetScript target, std::ostream& out,
            std::ostream& err) {
  const std::filesystem::path path = ArgToPath(file);
  const RomEdition before = InspectRom(path);
  if (!IsConvertible(before)) {
    err << file << ":\n" << AsLines(texts::WrongFileWarning(before)) << '\n';
    return kExitWrongFile;
  }
  ConvertRom(path, target);
  out << file << ": " << EditionWord(before) << " -> "
      << EditionWord(target == kSimplifiedScript ? RomEdition::Simplified
                                                 : RomEdition::Traditional)
      << '\n';
  return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
  Options options;
  if (!ParseArgs(args, options, err)) {
    err << "Try '" << kProgram << " --help'.\n";
    return kExitUsage;
  }
  if (options.help) {
    out << kUsage;
    return kExitOk;
  }
  if (options.version) {
    out << kProgram << ' ' << QORVANE_VERSION_TEXT << '\n';
    return kExitOk;
  }

  int status = kExitOk;
  for (const std::string& file : options.files) {
    int result = kExitOk;
    try {
      result = options.target ? Convert(file, *options.target, out, err)
                              : Inspect(file, out);
    } catch (const RomError& error) {
      err << file << ": " << error.what() << '\n';
      result = kExitFileError;
    }
    status = std::max(status, result);
  }
  out.flush();
  return status;
}

}  // namespace qorvane::cli
