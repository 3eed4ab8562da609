#include "window/qt/form1.h"

#include <gtest/gtest.h>

#include <QtWidgets>
#include <optional>
#include <vector>

#include "rom/path_text.h"
#include "rom/rom_engine.h"
#include "tests/support/scratch.h"
#include "tests/window/form1_pixels.h"
#include "window/qt/qt_text.h"

namespace qorvane {
namespace {

// Answers the next modal dialog: a message box with OK, a file dialog with
// `file` typed in (empty: cancel). Returns what it showed: a message box's
// icon, title and text; a file dialog's title, filters and initial name.
// A dialog that does not come within five seconds fails the test.
std::shared_ptr<QStringList> AnswerNextModal(
    const QString& file = {},
    std::shared_ptr<QStringList> seen = std::make_shared<QStringList>(),
    int tries = 500) {
  QTimer::singleShot(10, qApp, [seen, file, tries] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      *seen = {QString::number(box->icon()), box->windowTitle(), box->text()};
      return box->button(QMessageBox::Ok)->click();
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      *seen = QStringList{dialog->windowTitle()} + dialog->nameFilters() +
              QStringList{name->text()};
      name->setText(file);  // typed, as a user would
      return file.isEmpty() ? dialog->reject()
                            : static_cast<QDialog*>(dialog)->accept();
    }
    if (tries > 0) return (void)AnswerNextModal(file, seen, tries - 1);
    ADD_FAILURE() << "no dialog came";
  });
  return seen;
}
QString Box(QMessageBox::Icon icon, std::string_view title,
            std::string_view text) {
  return QString::number(icon) + '|' + ToQString(title) + '|' +
         MessageToQString(text);
}

class Form1Test : public ::testing::Test {
 protected:
  void Click(form1::Id id) {
    static_cast<QAbstractButton*>(form_.control(id))->click();
  }
  QVariant Shown(form1::Id id, const char* property = "text") {
    return form_.control(id)->property(property);
  }
  testing::Scratch dir_;
  std::optional<int> ended_;
  Form1 form_{[this](int status) { ended_ = status; }};
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
    const bool frame = c.kind == form1::Kind::Frame;
    EXPECT_EQ(Shown(c.id, frame ? "title" : "text"), ToQString(c.caption));
    EXPECT_FALSE(Shown(c.id, "default").toBool() ||
                 Shown(c.id, "autoDefault").toBool());
    if (c.kind == form1::Kind::OptionButton) {  // named by its label
      EXPECT_EQ(widget->accessibleName(),
                ToQString(form1::kControls[form1::LabelOf(c.id)].caption));
    }
    if (c.kind != form1::Kind::Label) continue;
    const QFont font = widget->font();
    EXPECT_EQ(font.families().value(0), "SimSun");
    EXPECT_EQ(std::pair(font.pointSizeF(), font.weight()),
              std::pair(10.5, QFont::Normal));
    for (QChar ch : ToQString(c.caption))
      EXPECT_TRUE(QFontMetrics(font).inFont(ch));
  }
  EXPECT_EQ(form_.windowTitle(), ToQString(texts::kWindowTitle));
  const auto [width, height] = testing::kClientPixels;
  EXPECT_EQ(form_.minimumSize(), QSize(width, height));
  EXPECT_EQ(form_.maximumSize(), QSize(width, height));
  EXPECT_EQ(form_.windowFlags() &
                (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
            Qt::WindowCloseButtonHint);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&form_)->role(),
            QAccessible::Dialog);
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
  EXPECT_EQ(form_.focusWidget(), expected[0]);
}

TEST_F(Form1Test, EachControlReachesItsActionAndShowsWhatItSays) {
  const auto rom = dir_.MakeRom(RomEdition::Simplified);
  auto dialog = AnswerNextModal(ToQString(PathToUtf8(rom)));
  Click(form1::Command4);
  EXPECT_EQ(*dialog,
            (QStringList{ToQString(texts::kOpenDialogTitle),
                         ToQtFileFilter(texts::kOpenDialogFilter), ""}));
  EXPECT_EQ(Shown(form1::Frame1, "title"), ToQString(texts::kStatusSimplified));
  EXPECT_EQ(Shown(form1::Text1), ToQString(PathToUtf8(rom)));
  Click(form1::Option1);
  Click(form1::Option2);
  EXPECT_FALSE(Shown(form1::Option1, "checked").toBool()) << "one group";
  EXPECT_EQ(form_.controller().target_script(), 2);
  auto about = AnswerNextModal();
  Click(form1::Command3);
  EXPECT_EQ(about->join('|'), Box(QMessageBox::Information, texts::kAboutTitle,
                                  texts::kAboutText));
  auto done = AnswerNextModal();
  Click(form1::Command1);
  EXPECT_EQ(done->join('|'), Box(QMessageBox::Information, texts::kNoticeTitle,
                                 texts::kConvertedNotice));
  EXPECT_EQ(InspectRom(rom), RomEdition::Traditional);
  EXPECT_EQ(std::pair(ended_, form_.exit_status()),
            std::pair(std::optional(0), std::optional(0)));
}

TEST_F(Form1Test, ExitAndCloseBoxEndTheProgramWithoutAQuestion) {
  Click(form1::Command2);
  EXPECT_EQ(ended_, 0);
  Form1 closed{[this](int status) { ended_ = status + 10; }};
  closed.show();
  EXPECT_TRUE(closed.close());
  EXPECT_EQ(std::pair(ended_, closed.exit_status()),
            std::pair(std::optional(10), std::optional(0)));
}

// The report's words are the controller's (FatalErrorText).
TEST_F(Form1Test, AnErrorIsReportedAndEndsTheProgramWithFailure) {
  const auto rom = dir_.MakeRom(RomEdition::Traditional);
  AnswerNextModal(ToQString(PathToUtf8(rom)));
  Click(form1::Command4);
  std::filesystem::remove(rom);  // gone since it was accepted
  Click(form1::Option1);
  auto report = AnswerNextModal();
  Click(form1::Command1);
  EXPECT_TRUE(report->join('|').startsWith(
      Box(QMessageBox::Critical, texts::kErrorTitle, texts::kFileErrorLead)));
  EXPECT_EQ(std::pair(ended_, form_.exit_status()),
            std::pair(std::optional(1), std::optional(1)));
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
