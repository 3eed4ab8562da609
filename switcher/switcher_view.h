// The window operations the controller needs. The window implements them on
// its toolkit; tests implement them with a recording fake. No toolkit type
// appears here: text is UTF-8, paths are std::filesystem::path.

#ifndef QORVANE_SWITCHER_SWITCHER_VIEW_H_
#define QORVANE_SWITCHER_SWITCHER_VIEW_H_

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace qorvane {

// The icon class of a message box.
enum class MessageKind { Warning, Information };

// The open dialog's one filter entry, "description|pattern", in its parts:
// the description as given, its name without a trailing "(pattern)", and
// the pattern.
struct FileFilter {
  std::string_view description;  // "QorvaneROM文件(*.gba)"
  std::string_view name;         // "QorvaneROM文件"
  std::string_view pattern;      // "*.gba"
};
constexpr FileFilter SplitFilter(std::string_view filter) {
  const std::size_t bar = filter.find('|');
  FileFilter parts{filter.substr(0, bar), filter.substr(0, bar),
                   bar == std::string_view::npos ? std::string_view()
                                                 : filter.substr(bar + 1)};
  const std::size_t suffix = parts.pattern.size() + 2;  // "(" and ")"
  if (parts.description.size() >= suffix && parts.description.ends_with(')') &&
      parts.description.substr(parts.description.size() - suffix, 1) == "(" &&
      parts.description.substr(parts.description.size() - suffix + 1,
                               parts.pattern.size()) == parts.pattern) {
    parts.name.remove_suffix(suffix);
  }
  return parts;
}

class SwitcherView {
 public:
  virtual ~SwitcherView() = default;

  // A modal message box with an OK button; returns when it is dismissed.
  // Lines of `text` are separated by a carriage return (character 13).
  virtual void ShowMessage(std::string_view text, std::string_view title,
                           MessageKind kind) = 0;
  // Replaces the frame's caption, which serves as the status line.
  virtual void SetStatus(std::string_view text) = 0;
  // Replaces the text of the path box.
  virtual void SetPathText(std::string_view text) = 0;
  // The open-file dialog with an empty initial name; `filter` is one entry,
  // "description|pattern". Returns the chosen file's full path, or an empty
  // path when the user cancels.
  virtual std::filesystem::path AskOpenFile(std::string_view title,
                                            std::string_view filter) = 0;
  // Ends the program: the window closes and nothing else runs.
  virtual void QuitTool() = 0;
};

}  // namespace qorvane

#endif  // QORVANE_SWITCHER_SWITCHER_VIEW_H_
