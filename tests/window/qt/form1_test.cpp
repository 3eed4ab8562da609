#include "window/qt/form1.h"

#include <gtest/gtest.h>

#include <QtWidgets>

#include "tests/window/form1_checks.h"
#include "window/qt/qt_text.h"

namespace qorvane {
namespace {

struct QtWindow : testing::Form1Log {
  QtWindow() {
    form.show();
    QApplication::processEvents();
  }
  QWidget* Handle(form1::Id id) {
    return id == form1::kForm ? &form : form.control(id);
  }
  QWidget* Parent(form1::Id id) { return form.control(id)->parentWidget(); }
  std::array<int, 4> Box(form1::Id id) {  // the form's: its client area
    const QRect r = id == form1::kForm ? form.rect() : Handle(id)->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
  }
  std::string Text(form1::Id id) {  // as a screen reader reads it
    if (id == form1::kForm) return form.windowTitle().toStdString();
    const QWidget* c = form.control(id);
    const char* text = id == form1::Frame1 ? "title" : "text";
    const QString name = c->accessibleName();
    return (name.isEmpty() ? c->property(text).toString() : name).toStdString();
  }
  std::vector<QWidget*> TabRound(std::size_t count) {
    std::vector<QWidget*> round;
    for (QWidget* w = form.focusWidget(); w && round.size() < count;
         w = w->nextInFocusChain()) {
      if (w->focusPolicy() & Qt::TabFocus) round.push_back(w);
    }
    return round;
  }
  void Click(form1::Id id) {
    QTimer answer;  // answers each modal dialog while the click runs
    QObject::connect(&answer, &QTimer::timeout, &answer, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        const int styles[] = {0, testing::kInformationBox, testing::kWarningBox,
                              testing::kErrorBox};
        dialogs.push_back(testing::Entry(
            styles[box->icon()], box->windowTitle().toStdString(),
            box->text().replace('\n', '\r').toStdString()));
        box->button(QMessageBox::Ok)->click();
      } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        dialogs.push_back(testing::Entry(testing::kOpenDialog,
                                         dialog->windowTitle().toStdString(),
                                         name->text().toStdString()));
        name->setText(ToQString(PathToUtf8(file_to_open)));  // as typed
        static_cast<QDialog*>(dialog)->accept();
      }
    });
    answer.start(10);
    static_cast<QAbstractButton*>(form.control(id))->click();
  }
  void Close() { form.close(); }
  Form1 form{[this](int status) { ends.push_back(status); }};
};

TEST(QtForm1Test, LayoutFontsAndFrame) {
  QtWindow w;
  testing::ExpectLayout(w);
  for (const form1::Control& c : form1::kControls) {
    const QWidget* control = w.form.control(c.id);
    EXPECT_FALSE(control->property("autoDefault").toBool()) << "Enter: none";
    if (c.kind != form1::Kind::Label) continue;
    const QFont font = control->font();
    EXPECT_EQ(
        std::tuple(font.families().value(0), font.pointSizeF(), font.weight()),
        std::tuple("SimSun", 10.5, QFont::Normal));
  }
  EXPECT_EQ(w.form.minimumSize(), w.form.maximumSize());
  EXPECT_EQ(w.form.windowFlags() &
                (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
            Qt::WindowCloseButtonHint);
}

TEST(QtForm1Test, ActionsAndEnds) { testing::ExpectActionsAndEnds<QtWindow>(); }

TEST(EndApplicationTest, EndsTheEventLoopEvenBeforeItRuns) {
  EndApplication(7);  // as an error in the window's load event does
  QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
  EXPECT_EQ(QApplication::exec(), 7);
}

}  // namespace
}  // namespace qorvane

// One QApplication for all the tests, headless unless a platform is chosen.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
