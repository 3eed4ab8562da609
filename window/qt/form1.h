// The tool's only window, and the Qt implementation of `SwitcherView`.
//
// Built from the shared table (window/shared/form1_layout.h): each control
// becomes the Qt widget of its kind, placed at 15 twips to a
// device-independent pixel, so Qt's high-DPI scaling keeps the layout right
// on any screen. Each control event runs its controller action inside one
// error boundary (`Guard`): an error is shown in a modal error box and ends
// the program with a non-zero exit status; no exception ever reaches the Qt
// event loop.

#ifndef QORVANE_WINDOW_FORM1_H_
#define QORVANE_WINDOW_FORM1_H_

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "switcher/switcher_controller.h"
#include "switcher/switcher_view.h"
#include "window/shared/form1_layout.h"

namespace qorvane {

class Form1 : public QWidget, public SwitcherView {
 public:
  // Ends the program with an exit status; by default `EndApplication`.
  using EndProgram = std::function<void(int status)>;

  explicit Form1(EndProgram end_program = {});
  ~Form1() override;

  // SwitcherView.
  void ShowMessage(std::string_view text, std::string_view title,
                   MessageKind kind) override;
  void SetStatus(std::string_view text) override;
  void SetPathText(std::string_view text) override;
  std::filesystem::path AskOpenFile(std::string_view title,
                                    const texts::FileFilter& filter) override;
  void QuitTool() override;

  // The control named `id` in the table (Frame1, Option1, ...).
  QWidget* control(form1::Id id) const { return controls_[id]; }
  const SwitcherController& controller() const { return controller_; }
  // The status the program ends with, once an action or the close box
  // has ended it.
  std::optional<int> exit_status() const { return exit_status_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  // Runs one controller action; an error is reported and ends the program.
  void Guard(form1::Action action);
  void End(int status);

  SwitcherController controller_{*this};
  EndProgram end_program_;
  std::array<QWidget*, form1::kControlCount> controls_{};
  std::optional<int> exit_status_;
  bool centred_ = false;
};

// Leaves the application's event loop with `status`, or, before the loop
// runs, makes it return `status` as soon as it starts.
void EndApplication(int status);

}  // namespace qorvane

#endif  // QORVANE_WINDOW_FORM1_H_
