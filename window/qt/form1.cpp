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
#include "window/qt/qt_bridge.h"

namespace qorvane {
namespace {

// Twips as device-independent pixels, to the nearest pixel (15 twips to a
// pixel; every coordinate of the dialog is a multiple of 15 but 880).
constexpr int Twips(int twips) { return (twips + 7) / 15; }

// SimSun first; where it is missing, an installed Simplified-Chinese face.
const QStringList kLabelFamilies = {
    QStringLiteral("SimSun"),
    QStringLiteral("宋体"),
    QStringLiteral("NSimSun"),
    QStringLiteral("Songti SC"),
    QStringLiteral("Noto Serif CJK SC"),
    QStringLiteral("Source Han Serif SC"),
    QStringLiteral("Noto Sans CJK SC"),
    QStringLiteral("Source Han Sans SC"),
    QStringLiteral("WenQuanYi Zen Hei"),
    QStringLiteral("Microsoft YaHei"),
    QStringLiteral("PingFang SC"),
};

QFont LabelFont(QFont font) {
  font.setFamilies(kLabelFamilies);
  font.setPointSizeF(10.5);
  font.setWeight(QFont::Normal);
  return font;
}

void Place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
}

QPushButton* MakeButton(QWidget* parent, std::string_view caption) {
  auto* button = new QPushButton(ToQString(caption), parent);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

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
  setFixedSize(Twips(4020), Twips(1815));
  BuildControls();
  WireEvents();
  Guard(&SwitcherController::Start);  // the window's load event
}

Form1::~Form1() = default;

void Form1::BuildControls() {
  Frame1 = new QGroupBox(ToQString(texts::kFrameCaption), this);
  Place(Frame1, 120, 120, 3735, 615);
  // The caption sits on the top border, as on a classic frame, so the
  // controls at 240 twips clear it.
  Frame1->setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px;"
      " margin-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin;"
      " subcontrol-position: top left; left: 6px; padding: 0 2px; }"));

  Option1 = new QRadioButton(ToQString(texts::kOption1Caption), Frame1);
  Place(Option1, 360, 240, 255, 255);
  Option1->setAccessibleName(ToQString(texts::kSimplifiedLabel));
  Label1 = new QLabel(ToQString(texts::kSimplifiedLabel), Frame1);
  Place(Label1, 720, 240, 975, 255);

  Option2 = new QRadioButton(ToQString(texts::kOption2Caption), Frame1);
  Place(Option2, 2160, 240, 255, 255);
  Option2->setAccessibleName(ToQString(texts::kTraditionalLabel));
  Label2 = new QLabel(ToQString(texts::kTraditionalLabel), Frame1);
  Place(Label2, 2520, 240, 975, 255);

  for (QLabel* label : {Label1, Label2}) {
    label->setFont(LabelFont(label->font()));
    label->setTextFormat(Qt::PlainText);
  }

  Text1 = new QLineEdit(this);
  Place(Text1, 120, 880, 2895, 300);
  Text1->setReadOnly(true);  // shows the chosen file; never read back

  Command4 = MakeButton(this, texts::kBrowseButton);
  Place(Command4, 3120, 840, 735, 375);
  Command1 = MakeButton(this, texts::kConvertButton);
  Place(Command1, 120, 1320, 1095, 375);
  Command3 = MakeButton(this, texts::kAboutButton);
  Place(Command3, 1440, 1320, 1095, 375);
  Command2 = MakeButton(this, texts::kExitButton);
  Place(Command2, 2760, 1320, 1095, 375);

  // Tab order: Command1, Command2, Command3, (Frame1, Label1, Label2 take no
  // focus), Option1, Option2, Text1, Command4.
  QWidget::setTabOrder(Command1, Command2);
  QWidget::setTabOrder(Command2, Command3);
  QWidget::setTabOrder(Command3, Option1);
  QWidget::setTabOrder(Option1, Option2);
  QWidget::setTabOrder(Option2, Text1);
  QWidget::setTabOrder(Text1, Command4);
  Command1->setFocus();
}

void Form1::WireEvents() {
  using Action = std::function<void(SwitcherController&)>;
  struct Wire {
    QAbstractButton* control;
    Action action;
  };
  // Option buttons report a click only when the user picks them; no other
  // event of any control has an effect.
  const Wire wiring[] = {
      {Option1, [](SwitcherController& c) { c.ChooseScript(1); }},
      {Option2, [](SwitcherController& c) { c.ChooseScript(2); }},
      {Command4, &SwitcherController::BrowseForRom},
      {Command1, &SwitcherController::ConvertSelectedRom},
      {Command3, &SwitcherController::ShowAbout},
      {Command2, &SwitcherController::ExitTool},
  };
  for (const Wire& wire : wiring) {
    connect(wire.control, &QAbstractButton::clicked, this,
            [this, action = wire.action] { Guard(action); });
  }
}

void Form1::Guard(const std::function<void(SwitcherController&)>& action) {
  try {
    action(controller_);
    return;
  } catch (...) {
    ShowBox(this, QMessageBox::Critical, texts::kErrorTitle,
            FatalErrorText(std::current_exception()));
  }
  End(1);
}

void Form1::End(int status) {
  ended_ = true;
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
  Frame1->setTitle(ToQString(text));
}

void Form1::SetPathText(std::string_view text) {
  Text1->setText(ToQString(text));
  Text1->setCursorPosition(0);
}

std::filesystem::path Form1::AskOpenFile(std::string_view title,
                                         std::string_view filter) {
  return ToPath(QFileDialog::getOpenFileName(this, ToQString(title), QString(),
                                             ToQtFileFilter(filter)));
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
  ended_ = true;
  end_program_(0);
}

}  // namespace qorvane
