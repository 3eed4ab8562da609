// The tool's only window in a browser page, and the page's `SwitcherView`.
//
// The page holds Form1 from the start (form1_page.cpp makes it from the
// shared layout table when the site is built, at twips / 15 CSS pixels, to
// be scaled as one on a touch or narrow screen); Form1 wires it through its
// page side (form1.js) and runs the action the table wires to a click. One
// action runs at a time: while it waits (a message box, the file picker, a
// file call, all under Asyncify), no click reaches the window. An error is
// shown in an error box and ends the tool. A page cannot end its process:
// the end puts a notice in the window's place, saves a converted copy
// where there was no handle to the file, and offers to start again.

#ifndef QORVANE_WINDOW_WEB_FORM1_H_
#define QORVANE_WINDOW_WEB_FORM1_H_

#include <filesystem>
#include <string_view>

#include "switcher/switcher_controller.h"
#include "switcher/switcher_view.h"
#include "window/shared/form1_layout.h"

namespace qorvane {

class Form1 : public SwitcherView {
 public:
  // Wires the window the page holds, runs Start and puts the focus on the
  // first control in tab order.
  void Load();
  // A click on `control`; or form1::kCloseBox.
  void Click(form1::Id control);

  // SwitcherView.
  void ShowMessage(std::string_view text, std::string_view title,
                   MessageKind kind) override;
  void SetStatus(std::string_view text) override;
  void SetPathText(std::string_view text) override;
  std::filesystem::path AskOpenFile(std::string_view title,
                                    const texts::FileFilter& filter) override;
  void QuitTool() override;

 private:
  // Runs one controller action; an error is reported and ends the tool.
  void Guard(form1::Action action);
  void End();

  SwitcherController controller_{*this};
  bool ended_ = false;
};

}  // namespace qorvane

#endif  // QORVANE_WINDOW_WEB_FORM1_H_
