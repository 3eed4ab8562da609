// The tool's only window, and the Qt implementation of `SwitcherView`.
//
// The dialog's geometry is given in twips (1/1440 inch) and placed at 15
// twips to a device-independent pixel, so Qt's high-DPI scaling keeps the
// layout right on any screen. Each control event calls one controller action
// inside one error boundary: an error is shown in a modal error box and ends
// the program with a non-zero exit status; no exception ever reaches the Qt
// event loop.

#ifndef QORVANE_WINDOW_FORM1_H_
#define QORVANE_WINDOW_FORM1_H_

#include <QWidget>
#include <functional>

#include "switcher/switcher_controller.h"
#include "switcher/switcher_view.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

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
                                    std::string_view filter) override;
  void QuitTool() override;

  const SwitcherController& controller() const { return controller_; }
  // True once the program has been told to end.
  bool ended() const { return ended_; }

  // The controls, by their names in the wiring table.
  QGroupBox* Frame1 = nullptr;
  QRadioButton* Option1 = nullptr;
  QLabel* Label1 = nullptr;
  QRadioButton* Option2 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Command4 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void WireEvents();
  // Runs one controller action; an error is reported and ends the tool.
  void Guard(const std::function<void(SwitcherController&)>& action);
  void End(int status);

  SwitcherController controller_{*this};
  EndProgram end_program_;
  bool centred_ = false;
  bool ended_ = false;
};

// Leaves the application's event loop with `status`, or, before the loop
// runs, makes it return `status` as soon as it starts.
void EndApplication(int status);

}  // namespace qorvane

#endif  // QORVANE_WINDOW_FORM1_H_
