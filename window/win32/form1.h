// The tool's only window on Win32, the native implementation of
// `SwitcherView` beside the Qt one, over the same controller.
//
// The dialog's geometry is given in twips and converted at the window's
// DPI (15 twips to a pixel at 96 DPI) and again whenever the window moves to
// a screen of another DPI. Each control event runs one controller action
// inside one error boundary: an error is shown in a critical message box
// and ends the program with a non-zero status; no exception ever crosses the
// window procedure.

#ifndef QORVANE_WINDOW_WIN32_FORM1_H_
#define QORVANE_WINDOW_WIN32_FORM1_H_

#include <exception>
#include <functional>
#include <optional>

#include "switcher/switcher_controller.h"
#include "switcher/switcher_view.h"
#include "window/win32/win32_bridge.h"

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
  // The status the program ends with, once an action or the close box
  // has ended it.
  std::optional<int> exit_status() const { return exit_status_; }
  HWND hwnd() const { return form_; }
  UINT dpi() const { return dpi_; }
  const SwitcherController& controller() const { return controller_; }

  // SwitcherView.
  void ShowMessage(std::string_view text, std::string_view title,
                   MessageKind kind) override;
  void SetStatus(std::string_view text) override;
  void SetPathText(std::string_view text) override;
  std::filesystem::path AskOpenFile(std::string_view title,
                                    std::string_view filter) override;
  void QuitTool() override;

  // The controls, by their names in the wiring table.
  HWND Frame1 = nullptr;
  HWND Option1 = nullptr;
  HWND Label1 = nullptr;
  HWND Option2 = nullptr;
  HWND Label2 = nullptr;
  HWND Text1 = nullptr;
  HWND Command4 = nullptr;
  HWND Command1 = nullptr;
  HWND Command3 = nullptr;
  HWND Command2 = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(int id);
  void BuildControls();
  // Fonts and geometry for `dpi`.
  void ApplyDpi(UINT dpi);
  // The window's size for its DPI, at `origin`, or centred when null.
  void SizeClient(const POINT* origin);
  // Runs one action; an error is reported and ends the program.
  void Guard(const std::function<void()>& action);
  void End(int status);

  SwitcherController controller_{*this};
  Win32Dialogs& dialogs_;
  EndProgram end_program_;
  std::optional<int> exit_status_;
  HWND owner_ = nullptr;  // hidden; keeps the window out of the taskbar
  HWND form_ = nullptr;
  HWND focus_ = nullptr;  // the control to give the focus back to
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HFONT label_font_ = nullptr;
  HFONT message_font_ = nullptr;
};

// The error boundary's report: a critical message box with a lead line that
// tells a file error from an internal one, then the error's own report.
void ReportFatalError(Win32Dialogs& dialogs, HWND owner,
                      const std::exception_ptr& error);

}  // namespace qorvane

#endif  // QORVANE_WINDOW_WIN32_FORM1_H_
