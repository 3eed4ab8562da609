// The window operations the controller needs. The window implements them on
// its toolkit; tests implement them with a recording fake. No toolkit type
// appears here: text is UTF-8, paths are std::filesystem::path.

#ifndef QORVANE_SWITCHER_SWITCHER_VIEW_H_
#define QORVANE_SWITCHER_SWITCHER_VIEW_H_

#include <filesystem>
#include <string_view>

#include "switcher/switcher_texts.h"

namespace qorvane {

// The icon class of a message box.
enum class MessageKind { Warning, Information };

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
  // The open-file dialog with an empty initial name and `filter` its one
  // entry. Returns the chosen file's full path, or an empty path when the
  // user cancels.
  virtual std::filesystem::path AskOpenFile(
      std::string_view title, const texts::FileFilter& filter) = 0;
  // Ends the program: the window closes and nothing else runs.
  virtual void QuitTool() = 0;
};

}  // namespace qorvane

#endif  // QORVANE_SWITCHER_SWITCHER_VIEW_H_
