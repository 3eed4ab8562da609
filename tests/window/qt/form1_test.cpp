#include "window/qt/form1.h"

#include <gtest/gtest.h>

#include <QtWidgets>
#include <algorithm>

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
    return id == form1::kOnForm ? &form : form.control(id);
  }
  QWidget* Parent(form1::Id id) { return Handle(id)->parentWidget(); }
  std::array<int, 4> Box(form1::Id id) {  // the form's: its client area
    const QRect r = id == form1::kOnForm ? form.rect() : Handle(id)->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
  }
  std::string Text(form1::Id id) {
    if (id == form1::kOnForm) return form.windowTitle().toStdString();
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
      auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        const QString shown = box->windowTitle() + '|' + box->text();
        dialogs.push_back(" i!x"[box->icon()] + (' ' + shown).toStdString());
        std::ranges::replace(dialogs.back(), '\n', '\r');
      } else if (auto* open = qobject_cast<QFileDialog*>(modal)) {
        dialogs.push_back(
            (open->windowTitle() + '|' + open->nameFilters().join(';'))
                .toStdString());
        open->selectFile(ToQString(PathToUtf8(file_to_open)));
      }
      if (modal) modal->accept();
    });
    answer.start(10);
    static_cast<QAbstractButton*>(form.control(id))->click();
  }
  bool Checked(form1::Id id) {
    return static_cast<QAbstractButton*>(form.control(id))->isChecked();
  }
  void Close() { form.close(); }
  Form1 form{[this](int status) { ends.push_back(status); }};
};

// The layout, the labels' font, and a fixed frame with a close box.
TEST(QtForm1Test, LayoutFontsAndFrame) {
  QtWindow w;
  testing::ExpectLayout(w);
  const QFont font = w.form.control(form1::Label1)->font();
  EXPECT_EQ(
      std::tuple(font.families().value(0), font.pointSizeF(), font.weight()),
      std::tuple("SimSun", 10.5, QFont::Normal));
  EXPECT_EQ(w.form.windowFlags() &
                (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
            Qt::WindowCloseButtonHint);
}

TEST(QtForm1Test, WiringDialogsAndEnds) {
  testing::ExpectWiringAndEnds<QtWindow>(
      "打开QorvaneROM文件|QorvaneROM文件(*.gba)");
}

}  // namespace
}  // namespace qorvane

// One QApplication for all the tests, headless unless a platform is chosen.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
