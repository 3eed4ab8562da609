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
#include "tests/window/form1_pixels.h"
#include "window/qt/qt_text.h"

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
  QAbstractButton* Button(form1::Id id) {
    return static_cast<QAbstractButton*>(form_.control(id));
  }
  testing::Scratch dir_;
  std::optional<int> ended_;
  TestForm form_{[this](int status) { ended_ = status; }};
};

TEST_F(Form1Test, LayoutIsTheTablesAtFifteenTwipsAPixel) {
  for (const form1::Control& c : form1::kControls) {
    SCOPED_TRACE(c.name.data());
    QWidget* widget = form_.control(c.id);
    EXPECT_EQ(widget->parentWidget(), c.container == form1::kForm
                                          ? &form_
                                          : form_.control(c.container));
    const auto [left, top, width, height] = testing::kPixelBoxes[c.id];
    EXPECT_EQ(widget->geometry(), QRect(left, top, width, height));
    const char* caption = c.kind == form1::Kind::Frame ? "title" : "text";
    EXPECT_EQ(widget->property(caption).toString(), ToQString(c.caption));
    EXPECT_FALSE(widget->property("default").toBool() ||
                 widget->property("autoDefault").toBool());
    if (c.kind == form1::Kind::OptionButton) {
      EXPECT_EQ(widget->accessibleName(),
                ToQString(form1::kControls[form1::LabelOf(c.id)].caption));
    }
    const QFont font = widget->font();
    if (c.kind != form1::Kind::Label) continue;
    EXPECT_EQ(font.families().value(0), "SimSun");
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.5);
    EXPECT_EQ(font.weight(), QFont::Normal);
    for (QChar ch : ToQString(c.caption))
      EXPECT_TRUE(QFontMetrics(font).inFont(ch));
  }
  EXPECT_EQ(form_.windowTitle(), ToQString(texts::kWindowTitle));
  const auto [width, height] = testing::kClientPixels;
  EXPECT_EQ(form_.minimumSize(), QSize(width, height));
  EXPECT_EQ(form_.maximumSize(), QSize(width, height));
  const Qt::WindowFlags flags = form_.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & (Qt::WindowMinMaxButtonsHint));
  QAccessibleInterface* accessible =  // owned by Qt
      QAccessible::queryAccessibleInterface(&form_);
  EXPECT_EQ(accessible->role(), QAccessible::Dialog);
  EXPECT_EQ(accessible->text(QAccessible::Name), form_.windowTitle());
  std::vector<QWidget*> chain, expected;
  for (const form1::Id id : testing::FocusOrder())
    expected.push_back(form_.control(id));
  for (QWidget* w = expected[0]; chain.empty() || w != expected[0];
       w = w->nextInFocusChain()) {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w);
  }
  EXPECT_EQ(chain, expected);
  form_.show();
  QApplication::processEvents();
  EXPECT_EQ(form_.focusWidget(), form_.control(form1::Command1));
}

TEST_F(Form1Test, EachControlReachesItsActionAndShowsWhatItSays) {
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  auto dialog = AnswerNextModal(ToQString(PathToUtf8(rom)));
  Button(form1::Command4)->click();
  EXPECT_EQ(dialog->shown,
            (QStringList{ToQString(texts::kOpenDialogTitle),
                         ToQtFileFilter(texts::kOpenDialogFilter), ""}));
  EXPECT_EQ(form_.control(form1::Frame1)->property("title"),
            ToQString(texts::kStatusSimplified));
  EXPECT_EQ(form_.control(form1::Text1)->property("text"),
            ToQString(PathToUtf8(rom)));

  Button(form1::Option1)->click();
  Button(form1::Option2)->click();
  EXPECT_FALSE(Button(form1::Option1)->isChecked()) << "one group";
  EXPECT_EQ(form_.controller().target_script(), 2);
  auto about = AnswerNextModal();
  Button(form1::Command3)->click();
  EXPECT_EQ(about->icon, QMessageBox::Information);
  EXPECT_EQ(about->shown, (QStringList{ToQString(texts::kAboutTitle),
                                       MessageToQString(texts::kAboutText)}));

  auto done = AnswerNextModal();
  Button(form1::Command1)->click();
  EXPECT_EQ(done->shown, (QStringList{ToQString(texts::kNoticeTitle),
                                      ToQString(texts::kConvertedNotice)}));
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
  EXPECT_EQ(ended_, 0);
  EXPECT_EQ(form_.exit_status(), 0);
}

TEST_F(Form1Test, ExitAndCloseBoxEndTheProgramWithoutAQuestion) {
  Button(form1::Command2)->click();
  EXPECT_EQ(ended_, 0);
  TestForm closed{[this](int status) { ended_ = status + 10; }};
  closed.show();
  EXPECT_TRUE(closed.close());
  EXPECT_EQ(ended_, 10);
  EXPECT_EQ(closed.exit_status(), 0);
}

TEST_F(Form1Test, ErrorsAreReportedUnderTheirOwnHeadingAndEndWithFailure) {
  const auto rom = dir_.MakeRom(RomEdition::Traditional);
  AnswerNextModal(ToQString(PathToUtf8(rom)));
  Button(form1::Command4)->click();
  std::filesystem::remove(rom);  // gone since it was accepted
  Button(form1::Option1)->click();
  auto report = AnswerNextModal();
  Button(form1::Command1)->click();
  EXPECT_EQ(report->icon, QMessageBox::Critical);
  EXPECT_EQ(report->shown[0], ToQString(texts::kErrorTitle));
  EXPECT_TRUE(report->shown[1].startsWith(ToQString(texts::kFileErrorLead)));
  EXPECT_TRUE(report->shown[1].contains(ToQString(rom.filename().string())));
  EXPECT_EQ(ended_, 1);

  ended_.reset();
  TestForm failing{[this](int status) { ended_ = status; }};
  failing.fail = true;  // not a file error
  report = AnswerNextModal();
  static_cast<QAbstractButton*>(failing.control(form1::Command4))->click();
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
