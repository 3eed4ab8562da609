#include "window/qt/form1.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <exception>
#include <string>

#include "switcher/switcher_texts.h"
#include "window/qt/qt_text.h"
#include "window/shared/error_boundary.h"

namespace qorvane {
namespace {

using form1::Id;

int Px(int twips) { return form1::TwipsToPixels(twips); }

// Each kind of control as its Qt widget.
QWidget* MakeFrame(const form1::Control& c, QWidget* parent) {
  auto* frame = new QGroupBox(ToQString(c.caption), parent);
  // The caption sits on the top border, as on a classic frame, so the
  // controls at 240 twips clear it.
  frame->setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px;"
      " margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin;"
      " subcontrol-position: top left; left: 6px; padding: 0 2px; }"));
  return frame;
}
QWidget* MakeOption(const form1::Control& c, QWidget* parent) {
  auto* option = new QRadioButton(ToQString(c.caption), parent);
  // Named for screen readers by the label beside it.
  option->setAccessibleName(
      ToQString(form1::kControls[form1::LabelOf(c.id)].caption));
  return option;
}
QWidget* MakeLabel(const form1::Control& c, QWidget* parent) {
  auto* label = new QLabel(ToQString(c.caption), parent);
  label->setTextFormat(Qt::PlainText);
  QFont font = label->font();
  QStringList families;
  for (std::string_view family : form1::kLabelFontFamilies) {
    families.append(ToQString(family));
  }
  font.setFamilies(families);
  font.setPointSizeF(form1::kLabelFontPoints);
  font.setWeight(QFont::Normal);
  label->setFont(font);
  return label;
}
QWidget* MakeTextBox(const form1::Control& c, QWidget* parent) {
  auto* box = new QLineEdit(ToQString(c.caption), parent);
  box->setReadOnly(true);  // shows the chosen file; never read back
  return box;
}
QWidget* MakeButton(const form1::Control& c, QWidget* parent) {
  auto* button = new QPushButton(ToQString(c.caption), parent);
  button->setAutoDefault(false);  // Enter and Esc do nothing
  button->setDefault(false);
  return button;
}
// In the order of form1::Kind.
constexpr std::array<QWidget* (*)(const form1::Control&, QWidget*), 5>
    kMakeKind{MakeFrame, MakeOption, MakeLabel, MakeTextBox, MakeButton};

// A modal message box with an OK button; returns when it is dismissed.
void ShowBox(QWidget* parent, QMessageBox::Icon icon, std::string_view title,
             std::string_view text) {
  QMessageBox box(icon, ToQString(title), MessageToQString(text),
                  QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

Qt::WindowFlags DialogFlags() {
  // A fixed dialog with a close box and no minimise or maximise button. A
  // tool window keeps it out of the taskbar on Windows and X11; on macOS a
  // tool window would hide whenever the program loses focus, so it stays a
  // dialog there (the Dock shows the program either way).
#ifdef Q_OS_MACOS
  const Qt::WindowFlags type = Qt::Dialog;
#else
  const Qt::WindowFlags type = Qt::Tool;
#endif
  return type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
         Qt::MSWindowsFixedSizeDialogHint;
}

// Screen readers meet the window as a dialog named by its title.
QAccessibleInterface* AccessibleForm(const QString& /*class_name*/,
                                     QObject* object) {
  if (auto* form = dynamic_cast<Form1*>(object)) {
    return new QAccessibleWidget(form, QAccessible::Dialog);
  }
  return nullptr;
}

}  // namespace

void EndApplication(int status) {
  // Queued, so that it takes effect in the event loop even when it is asked
  // for before the loop runs (an error in the window's load event).
  QMetaObject::invokeMethod(QCoreApplication::instance(), "exit",
                            Qt::QueuedConnection, Q_ARG(int, status));
}

Form1::Form1(EndProgram end_program)
    : QWidget(nullptr, DialogFlags()),
      end_program_(end_program ? std::move(end_program) : EndApplication) {
  static const bool accessible_installed =
      (QAccessible::installFactory(AccessibleForm), true);
  (void)accessible_installed;
  setWindowTitle(ToQString(texts::kWindowTitle));
  setAccessibleName(windowTitle());
  setFixedSize(Px(form1::kClientWidth), Px(form1::kClientHeight));
  BuildControls();
  Guard(form1::kLoad);
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  // Made in tab order, which Qt then tabs in.
  for (const Id id : form1::kTabOrder) {
    const form1::Control& c = form1::kControls[id];
    QWidget* widget = kMakeKind[static_cast<std::size_t>(c.kind)](
        c, c.container == form1::kOnForm ? this : controls_[c.container]);
    widget->setGeometry(Px(c.box.left), Px(c.box.top), Px(c.box.width),
                        Px(c.box.height));
    controls_[id] = widget;
  }
  controls_[form1::kTabOrder[0]]->setFocus();
  // Buttons report a click only when the user presses or picks them; no
  // other event of any control has an effect.
  for (const form1::Wire& wire : form1::kWiring) {
    connect(static_cast<QAbstractButton*>(controls_[wire.control]),
            &QAbstractButton::clicked, this,
            [this, action = wire.action] { Guard(action); });
  }
}

void Form1::Guard(form1::Action action) {
  const auto report = [this](std::string_view text, std::string_view title) {
    ShowBox(this, QMessageBox::Critical, title, text);
  };
  if (!Guarded([&] { action(controller_); }, report)) End(1);
}

void Form1::End(int status) {
  if (exit_status_) return;
  exit_status_ = status;
  hide();
  end_program_(status);
}

void Form1::ShowMessage(std::string_view text, std::string_view title,
                        MessageKind kind) {
  ShowBox(this,
          kind == MessageKind::Warning ? QMessageBox::Warning
                                       : QMessageBox::Information,
          title, text);
}

void Form1::SetStatus(std::string_view text) {
  static_cast<QGroupBox*>(controls_[form1::Frame1])->setTitle(ToQString(text));
}

void Form1::SetPathText(std::string_view text) {
  auto* path_box = static_cast<QLineEdit*>(controls_[form1::Text1]);
  path_box->setText(ToQString(text));
  path_box->setCursorPosition(0);
}

std::filesystem::path Form1::AskOpenFile(std::string_view title,
                                         const texts::FileFilter& filter) {
  // Qt reads the pattern from the brackets that end the description.
  return ToPath(QFileDialog::getOpenFileName(this, ToQString(title), QString(),
                                             ToQString(filter.description)));
}

void Form1::QuitTool() { End(0); }

void Form1::showEvent(QShowEvent* event) {
  if (!centred_) {
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
      const QRect area = screen->availableGeometry();
      move(area.center() - QPoint(width() / 2, height() / 2));
    }
  }
  QWidget::showEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
  // The close box ends the program without a question.
  event->accept();
  End(0);
}

}  // namespace qorvane
