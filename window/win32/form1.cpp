#include "window/win32/form1.h"

// windows.h (through form1.h) first.
#include <commctrl.h>

#include <cmath>
#include <exception>
#include <string>
#include <system_error>

#include "switcher/switcher_texts.h"
#include "text/text.h"
#include "window/shared/error_boundary.h"
#include "window/win32/win32_dpi.h"

namespace qorvane {
namespace {

using form1::Id;
using form1::Kind;

constexpr wchar_t kFormClass[] = L"QorvaneSwitcherForm1";
// A fixed dialog frame with a caption and close box; no minimise or
// maximise box, no sizing border.
constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;
// Room for any path the open dialog can return, long ones included.
constexpr DWORD kPathBufferChars = 32768;

// A control's id is this plus its form1::Id. None is IDOK (1) or IDCANCEL
// (2), which the dialog manager sends for Enter and Esc, so those keys do
// nothing here.
constexpr int kFirstControlId = 100;

// Each kind of control as its Win32 class and style, in the order of
// form1::Kind. WS_TABSTOP follows form1::TakesFocus.
struct KindClass {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};
constexpr std::array<KindClass, 5> kKindClasses{{
    // It holds controls: the dialog manager tabs into them in their turn.
    {L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT},
    {L"BUTTON", BS_AUTORADIOBUTTON, 0},
    {L"STATIC", SS_LEFT | SS_NOPREFIX, 0},
    {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE},
    {L"BUTTON", BS_PUSHBUTTON, 0},
}};
static_assert(form1::kLabelFontCharset == GB2312_CHARSET);

void PostQuit(int status) { ::PostQuitMessage(status); }

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

ErrorBox::ErrorBox(Win32Dialogs& dialogs, HWND owner)
    : dialogs_(dialogs), owner_(owner) {}

void ErrorBox::operator()(std::string_view text, std::string_view title) const {
  dialogs_.ShowMessageBox(owner_, Utf8ToUtf16(text), Utf8ToUtf16(title),
                          MB_OK | MB_ICONERROR);
}

Form1::Form1(Win32Dialogs& dialogs, EndProgram end_program)
    : dialogs_(dialogs),
      end_program_(end_program ? std::move(end_program) : PostQuit) {
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
  owner_.reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, instance, nullptr));
  if (!owner_) ThrowLastError("CreateWindowExW");
  // WM_NCCREATE hands the window to form_.
  if (::CreateWindowExW(kFormExStyle, kFormClass,
                        Utf8ToUtf16(texts::kWindowTitle).c_str(), kFormStyle, 0,
                        0, 0, 0, owner_.get(), nullptr, instance,
                        this) == nullptr) {
    static_cast<void>(form_.release());  // the system destroyed any it got
    ThrowLastError("CreateWindowExW");
  }
  BuildControls();
  ApplyDpi(WindowDpi(form_.get()));
  focus_ = controls_[form1::kTabOrder[0]];
  Guard(form1::kLoad);
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  // Made in tab order, which is the order the dialog manager tabs in. The
  // two option buttons form one group; every other control starts one.
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  Kind previous = Kind::Frame;
  for (const Id id : form1::kTabOrder) {
    const form1::Control& c = form1::kControls[id];
    const KindClass& kind = kKindClasses[static_cast<std::size_t>(c.kind)];
    DWORD style = WS_CHILD | WS_VISIBLE | kind.style;
    if (form1::TakesFocus(c.kind)) style |= WS_TABSTOP;
    if (c.kind != Kind::OptionButton || previous != Kind::OptionButton) {
      style |= WS_GROUP;
    }
    previous = c.kind;
    // An option button's own text, clipped out of sight by its width, is
    // its label's words, which name it for screen readers.
    const std::string_view text =
        c.kind == Kind::OptionButton
            ? form1::kControls[form1::LabelOf(id)].caption
            : c.caption;
    HWND control = ::CreateWindowExW(
        kind.ex_style, kind.window_class, Utf8ToUtf16(text).c_str(), style, 0,
        0, 0, 0,
        c.container == form1::kOnForm ? form_.get() : controls_[c.container],
        // NOLINTNEXTLINE(performance-no-int-to-ptr): a child's id
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + id)),
        instance, nullptr);
    if (control == nullptr) ThrowLastError("CreateWindowExW");
    controls_[id] = control;
  }
  if (!::SetWindowSubclass(controls_[form1::Frame1], FrameProc, 0, 0)) {
    ThrowLastError("SetWindowSubclass");
  }
}

void Form1::ApplyDpi(UINT dpi) {
  LOGFONTW label{};
  label.lfHeight = -static_cast<LONG>(
      std::lround(form1::kLabelFontPoints * static_cast<double>(dpi) / 72));
  label.lfWeight = FW_NORMAL;
  label.lfCharSet = static_cast<BYTE>(form1::kLabelFontCharset);
  Utf8ToUtf16(form1::kLabelFontFace).copy(label.lfFaceName, LF_FACESIZE - 1);
  const LOGFONTW message = MessageFont(dpi);
  FontHandle label_font(::CreateFontIndirectW(&label));
  FontHandle message_font(::CreateFontIndirectW(&message));
  if (!label_font || !message_font) {
    throw std::runtime_error("CreateFontIndirectW failed");
  }
  dpi_ = dpi;
  for (const form1::Control& c : form1::kControls) {
    HWND control = controls_[c.id];
    const HFONT font =
        c.kind == Kind::Label ? label_font.get() : message_font.get();
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const auto px = [dpi](int twips) {
      return form1::TwipsToPixels(twips, dpi);
    };
    ::SetWindowPos(control, nullptr, px(c.box.left), px(c.box.top),
                   px(c.box.width), px(c.box.height),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The fonts the controls used until now go.
  label_font_ = std::move(label_font);
  message_font_ = std::move(message_font);
  ::RedrawWindow(form_.get(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::SizeClient(const POINT* origin) {
  const RECT client{0, 0, form1::TwipsToPixels(form1::kClientWidth, dpi_),
                    form1::TwipsToPixels(form1::kClientHeight, dpi_)};
  const RECT frame = FrameForClient(client, kFormStyle, kFormExStyle, dpi_);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  POINT at{};
  if (origin != nullptr) {
    at = *origin;
  } else {  // centred on the screen's work area
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    ::GetMonitorInfoW(
        ::MonitorFromWindow(form_.get(), MONITOR_DEFAULTTOPRIMARY), &screen);
    const RECT& area = screen.rcWork;
    at = {area.left + (area.right - area.left - width) / 2,
          area.top + (area.bottom - area.top - height) / 2};
  }
  ::SetWindowPos(form_.get(), nullptr, at.x, at.y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // Where the frame turns out thicker or thinner than the DPI suggests,
  // the client area still gets its exact size.
  RECT got{};
  ::GetClientRect(form_.get(), &got);
  if (got.right != client.right || got.bottom != client.bottom) {
    width += client.right - got.right;
    height += client.bottom - got.bottom;
    ::SetWindowPos(form_.get(), nullptr, 0, 0, width, height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Form1::Show() {
  SizeClient(nullptr);
  ::ShowWindow(form_.get(), SW_SHOWNORMAL);
  ::SetForegroundWindow(form_.get());
  ::SetFocus(focus_);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form1*>(
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the message's pointer
        reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->form_.reset(window);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(form));
  }
  const LONG_PTR stored = ::GetWindowLongPtrW(window, GWLP_USERDATA);
  auto* form = reinterpret_cast<Form1*>(stored);  // NOLINT: stored above
  if (form == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  LRESULT result = 0;
  if (!Guarded([&] { result = form->OnMessage(message, wparam, lparam); },
               ErrorBox(form->dialogs_, window))) {
    form->End(1);
  }
  return result;
}

LRESULT Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      // A click on a wired control runs its action; Enter and Esc (IDOK,
      // IDCANCEL) and anything else run none.
      const int index = LOWORD(wparam) - kFirstControlId;
      if (HIWORD(wparam) == BN_CLICKED && index >= 0 &&
          index < static_cast<int>(form1::kControlCount)) {
        if (const form1::Action action = form1::ActionFor(Id(index))) {
          Guard(action);
        }
      }
      return 0;
    }
    case WM_ACTIVATE:
      // As a dialog does: the focus leaves with the window and comes back
      // to the same control.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(form_.get(), focus)) focus_ = focus;
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
      return ::DefWindowProcW(form_.get(), message, wparam, lparam);
  }
}

void Form1::Guard(form1::Action action) {
  if (!Guarded([&] { action(controller_); }, ErrorBox(dialogs_, form_.get()))) {
    End(1);
  }
}

void Form1::End(int status) {
  if (exit_status_) return;
  exit_status_ = status;
  ::ShowWindow(form_.get(), SW_HIDE);
  end_program_(status);
}

void Form1::ShowMessage(std::string_view text, std::string_view title,
                        MessageKind kind) {
  const UINT icon =
      kind == MessageKind::Warning ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
  if (dialogs_.ShowMessageBox(form_.get(), Utf8ToUtf16(text),
                              Utf8ToUtf16(title), MB_OK | icon) == 0) {
    ThrowLastError("MessageBoxW");
  }
}

void Form1::SetStatus(std::string_view text) {
  HWND frame = controls_[form1::Frame1];
  if (!::SetWindowTextW(frame, Utf8ToUtf16(text).c_str())) {
    ThrowLastError("SetWindowTextW");
  }
  ::RedrawWindow(frame, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form1::SetPathText(std::string_view text) {
  HWND path_box = controls_[form1::Text1];
  if (!::SetWindowTextW(path_box, Utf8ToUtf16(text).c_str())) {
    ThrowLastError("SetWindowTextW");
  }
  ::SendMessageW(path_box, EM_SETSEL, 0, 0);  // shows the path's start
  ::SendMessageW(path_box, EM_SCROLLCARET, 0, 0);
}

std::filesystem::path Form1::AskOpenFile(std::string_view title,
                                         const texts::FileFilter& filter) {
  const std::wstring dialog_title = Utf8ToUtf16(title);
  const std::wstring dialog_filter = OpenDialogFilter(filter);
  std::wstring file(kPathBufferChars, L'\0');  // the initial name is empty
  OPENFILENAMEW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = form_.get();
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
