// The tool's only window on Win32, the native implementation of
// `SwitcherView` beside the Qt one, over the same controller.
//
// Built from the shared table (window/shared/form1_layout.h): each control
// becomes the Win32 control of its kind, its box converted at the window's
// DPI (15 twips to a pixel at 96 DPI) and again whenever the window moves to
// a screen of another DPI. Each control event runs its controller action
// inside one error boundary (`Guard`): an error is shown in a critical
// message box and ends the program with a non-zero status; no exception
// ever crosses the window procedure.

#ifndef QORVANE_WINDOW_WIN32_FORM1_H_
#define QORVANE_WINDOW_WIN32_FORM1_H_

#include <array>
#include <functional>
#include <optional>

#include "switcher/switcher_controller.h"
#include "switcher/switcher_view.h"
#include "window/shared/form1_layout.h"
#include "window/win32/win32_dialogs.h"
#include "window/win32/win32_handles.h"

namespace qorvane {

class Form1 : public SwitcherView {
 public:
  // Ends the program with an exit status; by default it posts WM_QUIT with
  // that status to the message loop.
  using EndProgram = std::function<void(int status)>;

  explicit Form1(Win32Dialogs& dialogs = Win32Dialogs::System(),
                 EndProgram end_program = {});
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Shows the window, centred, with the focus on Command1.
  void Show();

  // SwitcherView.
  void ShowMessage(std::string_view text, std::string_view title,
                   MessageKind kind) override;
  void SetStatus(std::string_view text) override;
  void SetPathText(std::string_view text) override;
  std::filesystem::path AskOpenFile(std::string_view title,
                                    const texts::FileFilter& filter) override;
  void QuitTool() override;

  // The control named `id` in the table (Frame1, Option1, ...).
  HWND control(form1::Id id) const { return controls_[id]; }
  const SwitcherController& controller() const { return controller_; }
  // The status the program ends with, once an action or the close box
  // has ended it.
  std::optional<int> exit_status() const { return exit_status_; }
  HWND hwnd() const { return form_.get(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void BuildControls();
  // Fonts and geometry for `dpi`.
  void ApplyDpi(UINT dpi);
  // The window's size for its DPI, at `origin`, or centred when null.
  void SizeClient(const POINT* origin);
  // Runs one controller action; an error is reported and ends the program.
  void Guard(form1::Action action);
  void End(int status);

  SwitcherController controller_{*this};
  Win32Dialogs& dialogs_;
  EndProgram end_program_;
  std::optional<int> exit_status_;
  // Declared before the windows that use them, so they outlive them.
  FontHandle label_font_;
  FontHandle message_font_;
  WindowHandle owner_;  // hidden; keeps the window out of the taskbar
  WindowHandle form_;
  std::array<HWND, form1::kControlCount> controls_{};  // go with form_
  HWND focus_ = nullptr;  // the control to give the focus back to
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
};

// The error boundary's report (window/shared/error_boundary.h): a critical
// message box.
class ErrorBox {
 public:
  ErrorBox(Win32Dialogs& dialogs, HWND owner);
  void operator()(std::string_view text, std::string_view title) const;

 private:
  Win32Dialogs& dialogs_;
  HWND owner_;
};

}  // namespace qorvane

#endif  // QORVANE_WINDOW_WIN32_FORM1_H_
