#include "window/win32/form1.h"

// windows.h (through form1.h) first.
#include <commctrl.h>

#include <cwchar>
#include <exception>
#include <string>
#include <system_error>

#include "switcher/switcher_texts.h"

namespace qorvane {
namespace {

constexpr wchar_t kFormClass[] = L"QorvaneSwitcherForm1";
// A fixed dialog frame with a caption and close box; no minimise or
// maximise box, no sizing border.
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
constexpr int kClientWidth = 4020;  // twips
constexpr int kClientHeight = 1815;
// Room for any path the open dialog can return, long ones included.
constexpr DWORD kPathBufferChars = 32768;

// Control ids. None is IDOK (1) or IDCANCEL (2), which the dialog manager
// sends for Enter and Esc, so those keys do nothing here.
enum ControlId : int {
  kFrame1 = 100,
  kLabel1,
  kLabel2,
  kOption1,
  kOption2,
  kText1,
  kCommand4,
  kCommand1,
  kCommand3,
  kCommand2,
};

struct Control {
  HWND Form1::*handle;
  ControlId id;
  bool in_frame;
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
  std::string_view text;
  int left, top, width, height;  // twips, within the container
};

// In tab order: the dialog manager tabs in creation (z-) order, into the
// frame's own controls in their turn. Labels take no focus.
const Control kControls[] = {
    {&Form1::Command1, kCommand1, false, L"BUTTON",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, texts::kConvertButton, 120, 1320,
     1095, 375},
    {&Form1::Command2, kCommand2, false, L"BUTTON",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, texts::kExitButton, 2760, 1320,
     1095, 375},
    {&Form1::Command3, kCommand3, false, L"BUTTON",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, texts::kAboutButton, 1440, 1320,
     1095, 375},
    {&Form1::Frame1, kFrame1, false, L"BUTTON",
     BS_GROUPBOX | WS_GROUP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
     texts::kFrameCaption, 120, 120, 3735, 615},
    {&Form1::Label1, kLabel1, true, L"STATIC", SS_LEFT | SS_NOPREFIX | WS_GROUP,
     0, texts::kSimplifiedLabel, 720, 240, 975, 255},
    {&Form1::Label2, kLabel2, true, L"STATIC", SS_LEFT | SS_NOPREFIX | WS_GROUP,
     0, texts::kTraditionalLabel, 2520, 240, 975, 255},
    // One group of two. Their own text, clipped out of sight by the width,
    // is the words of their labels, which name them for screen readers.
    {&Form1::Option1, kOption1, true, L"BUTTON",
     BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 0, texts::kSimplifiedLabel,
     360, 240, 255, 255},
    {&Form1::Option2, kOption2, true, L"BUTTON",
     BS_AUTORADIOBUTTON | WS_TABSTOP, 0, texts::kTraditionalLabel, 2160, 240,
     255, 255},
    // Shows the chosen file; never read back.
    {&Form1::Text1, kText1, false, L"EDIT",
     ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP | WS_GROUP,
     WS_EX_CLIENTEDGE, "", 120, 880, 2895, 300},
    {&Form1::Command4, kCommand4, false, L"BUTTON",
     BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, texts::kBrowseButton, 3120, 840,
     735, 375},
};

[[noreturn]] void ThrowLastError(const char* call) {
  throw std::system_error(static_cast<int>(::GetLastError()),
                          std::system_category(), call);
}

// Frame1 contains controls: their notifications go on to the form, and it
// paints its own background under them.
LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wparam,
                           LPARAM lparam, UINT_PTR /*id*/, DWORD_PTR /*data*/) {
  switch (message) {
    case WM_COMMAND:
      return ::SendMessageW(::GetParent(frame), message, wparam, lparam);
    case WM_ERASEBKGND: {
      RECT area;
      ::GetClientRect(frame, &area);
      ::FillRect(
          reinterpret_cast<HDC>(wparam),  // NOLINT(performance-no-int-to-ptr)
          &area, ::GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    default:
      return ::DefSubclassProc(frame, message, wparam, lparam);
  }
}

}  // namespace

void ReportFatalError(Win32Dialogs& dialogs, HWND owner,
                      const std::exception_ptr& error) {
  dialogs.ShowMessageBox(owner, Widen(FatalErrorText(error)),
                         Widen(texts::kErrorTitle), MB_OK | MB_ICONERROR);
}

Form1::Form1(Win32Dialogs& dialogs, EndProgram end_program)
    : dialogs_(dialogs), end_program_(std::move(end_program)) {
  if (!end_program_) {
    end_program_ = [](int status) { ::PostQuitMessage(status); };
  }
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW form_class{};
  form_class.cbSize = sizeof form_class;
  form_class.lpfnWndProc = &Form1::WindowProc;
  form_class.hInstance = instance;
  form_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  form_class.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  form_class.lpszClassName = kFormClass;
  // The program file's icon; a test program has none.
  form_class.hIcon = static_cast<HICON>(::LoadImageW(
      instance, L"IDI_ICON1", IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
      ::GetSystemMetrics(SM_CYICON), LR_SHARED));
  form_class.hIconSm = static_cast<HICON>(::LoadImageW(
      instance, L"IDI_ICON1", IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
      ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (::RegisterClassExW(&form_class) == 0 &&
      ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowLastError("RegisterClassExW");
  }

  // Owned by a hidden window: no taskbar button, but a normal caption.
  owner_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, instance, nullptr);
  if (owner_ == nullptr) ThrowLastError("CreateWindowExW");
  if (::CreateWindowExW(kFormExStyle, kFormClass,
                        Widen(texts::kWindowTitle).c_str(), kFormStyle, 0, 0, 0,
                        0, owner_, nullptr, instance, this) == nullptr) {
    const DWORD error = ::GetLastError();
    ::DestroyWindow(owner_);
    throw std::system_error(static_cast<int>(error), std::system_category(),
                            "CreateWindowExW");
  }
  try {
    BuildControls();
    ApplyDpi(WindowDpi(form_));
  } catch (...) {
    ::DestroyWindow(form_);
    ::DestroyWindow(owner_);
    throw;
  }
  focus_ = Command1;
  Guard([this] { controller_.Start(); });  // the window's load event
}

Form1::~Form1() {
  ::SetWindowLongPtrW(form_, GWLP_USERDATA, 0);
  ::DestroyWindow(form_);
  ::DestroyWindow(owner_);
  if (label_font_ != nullptr) ::DeleteObject(label_font_);
  if (message_font_ != nullptr) ::DeleteObject(message_font_);
}

void Form1::BuildControls() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (const Control& c : kControls) {
    HWND control = ::CreateWindowExW(
        c.ex_style, c.window_class, Widen(c.text).c_str(),
        WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0,
        c.in_frame ? Frame1 : form_,
        // NOLINTNEXTLINE(performance-no-int-to-ptr): a child's id
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
    if (control == nullptr) ThrowLastError("CreateWindowExW");
    this->*c.handle = control;
  }
  if (!::SetWindowSubclass(Frame1, FrameProc, 0, 0)) {
    ThrowLastError("SetWindowSubclass");
  }
}

void Form1::ApplyDpi(UINT dpi) {
  LOGFONTW label{};
  label.lfHeight = -::MulDiv(105, static_cast<int>(dpi), 720);  // 10.5 pt
  label.lfWeight = FW_NORMAL;
  label.lfCharSet = GB2312_CHARSET;
  std::wcscpy(label.lfFaceName, L"宋体");
  const LOGFONTW message = MessageFont(dpi);
  HFONT label_font = ::CreateFontIndirectW(&label);
  HFONT message_font = ::CreateFontIndirectW(&message);
  if (label_font == nullptr || message_font == nullptr) {
    if (label_font != nullptr) ::DeleteObject(label_font);
    if (message_font != nullptr) ::DeleteObject(message_font);
    throw std::runtime_error("CreateFontIndirectW failed");
  }
  dpi_ = dpi;
  for (const Control& c : kControls) {
    HWND control = this->*c.handle;
    const bool is_label = c.id == kLabel1 || c.id == kLabel2;
    ::SendMessageW(
        control, WM_SETFONT,
        reinterpret_cast<WPARAM>(is_label ? label_font : message_font), FALSE);
    ::SetWindowPos(control, nullptr, TwipsToPixels(c.left, dpi),
                   TwipsToPixels(c.top, dpi), TwipsToPixels(c.width, dpi),
                   TwipsToPixels(c.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  std::swap(label_font, label_font_);
  std::swap(message_font, message_font_);
  if (label_font != nullptr) ::DeleteObject(label_font);
  if (message_font != nullptr) ::DeleteObject(message_font);
  ::RedrawWindow(form_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::SizeClient(const POINT* origin) {
  const RECT client{0, 0, TwipsToPixels(kClientWidth, dpi_),
                    TwipsToPixels(kClientHeight, dpi_)};
  const RECT frame = FrameForClient(client, kFormStyle, kFormExStyle, dpi_);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  POINT at{};
  if (origin != nullptr) {
    at = *origin;
  } else {  // centred on the screen's work area
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    ::GetMonitorInfoW(::MonitorFromWindow(form_, MONITOR_DEFAULTTOPRIMARY),
                      &screen);
    const RECT& area = screen.rcWork;
    at = {area.left + (area.right - area.left - width) / 2,
          area.top + (area.bottom - area.top - height) / 2};
  }
  ::SetWindowPos(form_, nullptr, at.x, at.y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // Where the frame turns out thicker or thinner than the DPI suggests,
  // the client area still gets its exact size.
  RECT got{};
  ::GetClientRect(form_, &got);
  if (got.right != client.right || got.bottom != client.bottom) {
    width += client.right - got.right;
    height += client.bottom - got.bottom;
    ::SetWindowPos(form_, nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Form1::Show() {
  SizeClient(nullptr);
  ::ShowWindow(form_, SW_SHOWNORMAL);
  ::SetForegroundWindow(form_);
  ::SetFocus(focus_);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form1*>(
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the message's pointer
        reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->form_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(form));
  }
  const LONG_PTR stored = ::GetWindowLongPtrW(window, GWLP_USERDATA);
  auto* form = reinterpret_cast<Form1*>(stored);  // NOLINT: stored above
  if (form == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  LRESULT result = 0;
  form->Guard([&] { result = form->OnMessage(message, wparam, lparam); });
  return result;
}

LRESULT Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return 0;
    case WM_ACTIVATE:
      // As a dialog does: the focus leaves with the window and comes back
      // to the same control.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(form_, focus)) focus_ = focus;
      } else if (focus_ != nullptr) {
        ::SetFocus(focus_);
      }
      return 0;
    case WM_DPICHANGED: {
      // NOLINTNEXTLINE(performance-no-int-to-ptr): the message's pointer
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      const POINT origin{suggested->left, suggested->top};
      ApplyDpi(LOWORD(wparam));
      SizeClient(&origin);
      return 0;
    }
    case WM_CLOSE:  // the close box ends the program without a question
      End(0);
      return 0;
    default:
      return ::DefWindowProcW(form_, message, wparam, lparam);
  }
}

void Form1::OnCommand(int id) {
  // The control events and their actions. Enter and Esc (IDOK, IDCANCEL)
  // and anything else have none.
  using Action = void (*)(SwitcherController&);
  static constexpr struct {
    ControlId id;
    Action action;
  } kWiring[] = {
      {kOption1,
       [](SwitcherController& c) { c.ChooseScript(kSimplifiedScript); }},
      {kOption2,
       [](SwitcherController& c) { c.ChooseScript(kTraditionalScript); }},
      {kCommand4, [](SwitcherController& c) { c.BrowseForRom(); }},
      {kCommand1, [](SwitcherController& c) { c.ConvertSelectedRom(); }},
      {kCommand3, [](SwitcherController& c) { c.ShowAbout(); }},
      {kCommand2, [](SwitcherController& c) { c.ExitTool(); }},
  };
  for (const auto& wire : kWiring) {
    if (wire.id == id) wire.action(controller_);
  }
}

void Form1::Guard(const std::function<void()>& action) {
  try {
    action();
    return;
  } catch (...) {
    try {
      ReportFatalError(dialogs_, form_, std::current_exception());
    } catch (...) {  // no way left to tell; the status still says it
    }
  }
  End(1);
}

void Form1::End(int status) {
  if (exit_status_) return;
  exit_status_ = status;
  ::ShowWindow(form_, SW_HIDE);
  end_program_(status);
}

void Form1::ShowMessage(std::string_view text, std::string_view title,
                        MessageKind kind) {
  const UINT icon =
      kind == MessageKind::Warning ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
  if (dialogs_.ShowMessageBox(form_, Widen(text), Widen(title), MB_OK | icon) ==
      0) {
    ThrowLastError("MessageBoxW");
  }
}

void Form1::SetStatus(std::string_view text) {
  if (!::SetWindowTextW(Frame1, Widen(text).c_str())) {
    ThrowLastError("SetWindowTextW");
  }
  ::RedrawWindow(Frame1, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::SetPathText(std::string_view text) {
  if (!::SetWindowTextW(Text1, Widen(text).c_str())) {
    ThrowLastError("SetWindowTextW");
  }
  ::SendMessageW(Text1, EM_SETSEL, 0, 0);  // shows the path's start
  ::SendMessageW(Text1, EM_SCROLLCARET, 0, 0);
}

std::filesystem::path Form1::AskOpenFile(std::string_view title,
                                         std::string_view filter) {
  const std::wstring dialog_title = Widen(title);
  const std::wstring dialog_filter = OpenDialogFilter(filter);
  std::wstring file(kPathBufferChars, L'\0');  // the initial name is empty
  OPENFILENAMEW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = form_;
  request.lpstrFilter = dialog_filter.c_str();
  request.nFilterIndex = 1;
  request.lpstrFile = file.data();
  request.nMaxFile = kPathBufferChars;
  request.lpstrTitle = dialog_title.c_str();
  request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                  OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  DWORD error = 0;
  if (!dialogs_.ShowOpenDialog(request, error)) {
    if (error == 0) return {};  // cancelled
    throw std::runtime_error("GetOpenFileNameW failed: CommDlgExtendedError " +
                             std::to_string(error));
  }
  return std::filesystem::path(file.c_str());
}

void Form1::QuitTool() { End(0); }

}  // namespace qorvane
