#include "window/qt/form1.h"

#include <gtest/gtest.h>

#include <QtWidgets>
#include <functional>
#include <new>
#include <optional>
#include <vector>

#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "switcher/switcher_texts.h"
#include "tests/support/scratch.h"
#include "window/qt/qt_bridge.h"

namespace qorvane {
namespace {

// What the next modal dialog showed: for a message box its icon, title and
// text; for a file dialog its title, name filters and initial name. The
// dialog is answered with `file` (a file dialog; empty: cancel) or OK. A
// dialog that does not come within five seconds fails the test; none waits.
struct Modal {
  int icon = -1;
  QStringList shown;
};
void OnNextModal(std::function<void(QWidget*)> handle, int tries = 500) {
  QTimer::singleShot(10, qApp, [handle = std::move(handle), tries]() mutable {
    if (QWidget* modal = QApplication::activeModalWidget())
      return handle(modal);
    if (tries > 0) return OnNextModal(std::move(handle), tries - 1);
    ADD_FAILURE() << "no dialog came";
  });
}
std::shared_ptr<Modal> AnswerNextModal(const QString& file = {}) {
  auto seen = std::make_shared<Modal>();
  OnNextModal([seen, file](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      *seen = Modal{box->icon(), {box->windowTitle(), box->text()}};
      return box->button(QMessageBox::Ok)->click();
    }
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    *seen = Modal{-1, QStringList{dialog->windowTitle()} +
                          dialog->nameFilters() + QStringList{name->text()}};
    name->setText(file);  // typed, as a user would
    file.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
  });
  return seen;
}

// A Form1 whose open dialog can be made to fail with an error that is not a
// file error.
class TestForm : public Form1 {
 public:
  explicit TestForm(EndProgram end) : Form1(std::move(end)) {}
  std::filesystem::path AskOpenFile(std::string_view title,
                                    std::string_view filter) override {
    if (fail) throw std::bad_alloc();
    return Form1::AskOpenFile(title, filter);
  }
  bool fail = false;
};

class Form1Test : public ::testing::Test {
 protected:
  testing::Scratch dir_;
  std::optional<int> ended_;
  TestForm form_{[this](int status) { ended_ = status; }};
};

TEST_F(Form1Test, LayoutIsTheDialogsAtFifteenTwipsAPixel) {
  struct Control {
    QWidget* widget;
    QWidget* parent;
    QString caption;
    QRect geometry;
  };
  const std::vector<Control> controls = {
      {form_.Frame1, &form_, "简繁体切换", {8, 8, 249, 41}},
      {form_.Option1, form_.Frame1, "Option1", {24, 16, 17, 17}},
      {form_.Label1, form_.Frame1, "简体中文", {48, 16, 65, 17}},
      {form_.Option2, form_.Frame1, "Option2", {144, 16, 17, 17}},
      {form_.Label2, form_.Frame1, "繁体中文", {168, 16, 65, 17}},
      {form_.Text1, &form_, "", {8, 59, 193, 20}},
      {form_.Command4, &form_, "浏览..", {208, 56, 49, 25}},
      {form_.Command1, &form_, "转 换", {8, 88, 73, 25}},
      {form_.Command3, &form_, "说 明", {96, 88, 73, 25}},
      {form_.Command2, &form_, "退 出", {184, 88, 73, 25}},
  };
  for (const Control& c : controls) {
    SCOPED_TRACE(c.caption.toStdString());
    EXPECT_EQ(c.widget->parentWidget(), c.parent);
    EXPECT_EQ(c.widget->geometry(), c.geometry);
    QString caption = c.widget->property("text").toString();
    if (auto* frame = qobject_cast<QGroupBox*>(c.widget))
      caption = frame->title();
    EXPECT_EQ(caption, c.caption);
    EXPECT_FALSE(c.widget->property("default").toBool() ||
                 c.widget->property("autoDefault").toBool());
  }
  EXPECT_EQ(form_.windowTitle(), "QorvaneADVANCE中文版 简繁体切换工具");
  EXPECT_EQ(form_.minimumSize(), QSize(268, 121));
  EXPECT_EQ(form_.maximumSize(), QSize(268, 121));
  const Qt::WindowFlags flags = form_.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinMaxButtonsHint));
  QAccessibleInterface* accessible =  // owned by Qt
      QAccessible::queryAccessibleInterface(&form_);
  EXPECT_EQ(accessible->role(), QAccessible::Dialog);
  EXPECT_EQ(accessible->text(QAccessible::Name), form_.windowTitle());
  EXPECT_EQ(form_.Option2->accessibleName(), "繁体中文");
  for (QLabel* label : {form_.Label1, form_.Label2}) {
    EXPECT_EQ(label->font().families().value(0), "SimSun");
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 10.5);
    EXPECT_EQ(label->font().weight(), QFont::Normal);
    for (QChar c : label->text())
      EXPECT_TRUE(QFontMetrics(label->font()).inFont(c));
  }
  std::vector<QWidget*> chain;
  for (QWidget* w = form_.Command1; chain.empty() || w != form_.Command1;
       w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w);
  }
  EXPECT_EQ(chain,
            (std::vector<QWidget*>{form_.Command1, form_.Command2,
                                   form_.Command3, form_.Option1, form_.Option2,
                                   form_.Text1, form_.Command4}));
  form_.show();
  QApplication::processEvents();
  EXPECT_EQ(form_.focusWidget(), form_.Command1);
}

TEST_F(Form1Test, EachControlReachesItsActionAndShowsWhatItSays) {
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  auto dialog = AnswerNextModal(ToQString(PathToUtf8(rom)));
  form_.Command4->click();
  EXPECT_EQ(dialog->shown,
            (QStringList{"打开QorvaneROM文件", "QorvaneROM文件(*.gba)", ""}));
  EXPECT_EQ(form_.Frame1->title(), ToQString(texts::kStatusSimplified));
  EXPECT_EQ(form_.Text1->text(), ToQString(PathToUtf8(rom)));

  form_.Option1->click();
  form_.Option2->click();
  EXPECT_FALSE(form_.Option1->isChecked()) << "one group";
  EXPECT_EQ(form_.controller().target_script(), 2);
  auto about = AnswerNextModal();
  form_.Command3->click();
  EXPECT_EQ(about->icon, QMessageBox::Information);
  EXPECT_EQ(about->shown[1], MessageToQString(texts::kAboutText));

  auto done = AnswerNextModal();
  form_.Command1->click();
  EXPECT_EQ(done->shown, (QStringList{"提 示", "转换成功"}));
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
  EXPECT_EQ(ended_, 0);
}

TEST_F(Form1Test, ExitAndCloseBoxEndTheProgramWithoutAQuestion) {
  form_.Command2->click();
  EXPECT_EQ(ended_, 0);
  ended_.reset();
  form_.show();
  EXPECT_TRUE(form_.close());
  EXPECT_EQ(ended_, 0);
}

TEST_F(Form1Test, ErrorsAreReportedUnderTheirOwnHeadingAndEndWithFailure) {
  const auto rom = dir_.MakeRom(RomEdition::Traditional);
  AnswerNextModal(ToQString(PathToUtf8(rom)));
  form_.Command4->click();
  std::filesystem::remove(rom);  // gone since it was accepted
  form_.Option1->click();
  auto report = AnswerNextModal();
  form_.Command1->click();
  EXPECT_EQ(report->icon, QMessageBox::Critical);
  EXPECT_EQ(report->shown[0], "错 误");
  EXPECT_TRUE(report->shown[1].startsWith(ToQString(texts::kFileErrorLead)));
  EXPECT_TRUE(report->shown[1].contains("文件不存在"));
  EXPECT_EQ(ended_, 1);

  ended_.reset();
  form_.fail = true;  // not a file error
  report = AnswerNextModal();
  form_.Command4->click();
  EXPECT_TRUE(
      report->shown[1].startsWith(ToQString(texts::kInternalErrorLead)));
  EXPECT_EQ(ended_, 1);
}

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
