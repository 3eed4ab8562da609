#include "window/qt/form1.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "rom/rom_engine.h"
#include "tools/rom_image.h"
#include "tests/support/temp_dir.h"
#include "window/qt/qt_bridge.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace qorvane {
namespace {

// What a modal message box showed before the test closed it.
struct Shown {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QString text;
};

// Waits up to five seconds for the next modal dialog and hands it to
// `handle`, which must close it. One it leaves open is rejected, so no test
// waits on a dialog for ever.
void OnNextModal(std::function<void(QWidget*)> handle, int tries = 500) {
  QTimer::singleShot(10, qApp, [handle = std::move(handle), tries]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      if (tries > 0) OnNextModal(std::move(handle), tries - 1);
      return;
    }
    handle(modal);
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (dialog != nullptr && dialog->isVisible()) {
      ADD_FAILURE() << "the test left a dialog open";
      dialog->reject();
    }
  });
}

// Closes the next message box and returns what it showed.
std::shared_ptr<std::optional<Shown>> CloseNextMessage() {
  auto shown = std::make_shared<std::optional<Shown>>();
  OnNextModal([shown](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr) << "expected a message box";
    *shown = Shown{box->icon(), box->windowTitle(), box->text()};
    box->button(QMessageBox::Ok)->click();
  });
  return shown;
}

// Answers the next open-file dialog with `file` (empty: cancel).
std::shared_ptr<QStringList> AnswerNextFileDialog(const QString& file) {
  auto seen = std::make_shared<QStringList>();
  OnNextModal([seen, file](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr) << "expected a file dialog";
    *seen << dialog->windowTitle() << dialog->nameFilters();
    if (file.isEmpty()) {
      dialog->reject();
    } else {
      // Types the name, as a user would; selectFile() leaves a focused
      // name box as it is.
      auto* name =
          dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      name->setText(file);
      static_cast<QDialog*>(dialog)->accept();
    }
  });
  return seen;
}

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() : form_([this](int status) { ended_ = status; }) {}

  QString MakeRom(RomEdition edition) {
    const auto path = dir_ / "sample.gba";
    testing::RomImageBuilder().Edition(edition).WriteTo(path);
    return QString::fromStdString(path.string());
  }

  testing::TempDir dir_;
  std::optional<int> ended_;
  Form1 form_;
};

TEST_F(Form1Test, LayoutCaptionsAndTabOrderMatchTheDialog) {
  struct Control {
    QWidget* widget;
    QWidget* parent;
    QString caption;
    QRect geometry;  // 15 twips to a pixel
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
    QString caption;
    if (auto* b = qobject_cast<QAbstractButton*>(c.widget)) caption = b->text();
    if (auto* l = qobject_cast<QLabel*>(c.widget)) caption = l->text();
    if (auto* g = qobject_cast<QGroupBox*>(c.widget)) caption = g->title();
    if (auto* e = qobject_cast<QLineEdit*>(c.widget)) caption = e->text();
    EXPECT_EQ(caption, c.caption);
    EXPECT_FALSE(caption.contains(u'&')) << "no access keys";
    if (auto* button = qobject_cast<QPushButton*>(c.widget)) {
      EXPECT_FALSE(button->isDefault() || button->autoDefault());
    }
  }
  EXPECT_EQ(form_.windowTitle(), "QorvaneADVANCE中文版 简繁体切换工具");
  EXPECT_EQ(form_.size(), QSize(268, 121));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize());
  EXPECT_FALSE(form_.windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(form_.Option1->isChecked() || form_.Option2->isChecked());
  EXPECT_EQ(form_.Option1->accessibleName(), "简体中文");
  EXPECT_EQ(form_.Option2->accessibleName(), "繁体中文");

  std::vector<QWidget*> chain;
  QWidget* widget = form_.Command1;
  do {
    if (widget->focusPolicy() & Qt::TabFocus) chain.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != form_.Command1);
  EXPECT_EQ(chain,
            (std::vector<QWidget*>{form_.Command1, form_.Command2,
                                   form_.Command3, form_.Option1, form_.Option2,
                                   form_.Text1, form_.Command4}));
  form_.show();
  QApplication::processEvents();
  EXPECT_EQ(form_.focusWidget(), form_.Command1);
}

TEST_F(Form1Test, LabelsUseA10Point5SongOrCjkFaceOthersTheDefault) {
  for (QLabel* label : {form_.Label1, form_.Label2}) {
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 10.5);
    EXPECT_EQ(label->font().weight(), QFont::Normal);
    EXPECT_EQ(label->font().families().value(0), "SimSun");
    // Whatever face is installed, it has the glyphs: no empty boxes.
    const QFontMetrics metrics(label->font());
    for (QChar c : label->text())
      EXPECT_TRUE(metrics.inFont(c))
          << QFontInfo(label->font()).family().toStdString();
  }
  EXPECT_EQ(form_.Command1->font(), QApplication::font(form_.Command1));
}

TEST_F(Form1Test, ClicksReachTheirActionsAndLabelsSelectNothing) {
  form_.show();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.Label2, &press);
  EXPECT_FALSE(form_.Option2->isChecked());
  EXPECT_EQ(form_.controller().target_script(), 0);

  form_.Option2->click();
  EXPECT_EQ(form_.controller().target_script(), 2);
  form_.Option1->click();
  EXPECT_EQ(form_.controller().target_script(), 1);
  EXPECT_FALSE(form_.Option2->isChecked()) << "one exclusive group";

  auto about = CloseNextMessage();
  form_.Command3->click();
  ASSERT_TRUE(about->has_value());
  EXPECT_EQ((*about)->icon, QMessageBox::Information);
  EXPECT_EQ((*about)->title, "说 明");
  EXPECT_TRUE((*about)->text.startsWith(
      "QorvaneADVANCELumek汉化中文版\n       简繁体切换工具\n\n      作者："));

  auto warning = CloseNextMessage();
  form_.Command1->click();  // no ROM yet
  ASSERT_TRUE(warning->has_value());
  EXPECT_EQ((*warning)->icon, QMessageBox::Warning);
  EXPECT_EQ((*warning)->title, "警 告");
  EXPECT_EQ((*warning)->text, "请先选择QorvaneADVANCE\nLumek汉化中文版ROM文件");

  auto cancelled = AnswerNextFileDialog({});
  form_.Command4->click();
  EXPECT_EQ(*cancelled, (QStringList{"打开QorvaneROM文件",
                                     "QorvaneROM文件(*.gba) (*.gba)"}));
  EXPECT_EQ(form_.Frame1->title(), "简繁体切换");

  EXPECT_FALSE(ended_.has_value());
  form_.Command2->click();
  EXPECT_EQ(ended_, 0);
}

TEST_F(Form1Test, CloseBoxEndsTheProgramWithoutAQuestion) {
  form_.show();
  EXPECT_TRUE(form_.close());
  EXPECT_EQ(ended_, 0);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(Form1Test, BrowseChooseAndConvertEndTheProgramWithTheFileConverted) {
  const QString rom = MakeRom(RomEdition::Simplified);
  AnswerNextFileDialog(rom);
  form_.Command4->click();
  EXPECT_EQ(form_.Frame1->title(), "目前此ROM为简体中文");
  EXPECT_EQ(form_.Text1->text(), rom);

  form_.Option2->click();
  QString status_when_confirmed;
  auto done = std::make_shared<std::optional<Shown>>();
  OnNextModal([&, done](QWidget* modal) {
    status_when_confirmed = form_.Frame1->title();
    auto* box = qobject_cast<QMessageBox*>(modal);
    *done = Shown{box->icon(), box->windowTitle(), box->text()};
    EXPECT_FALSE(ended_.has_value()) << "ended before the confirmation";
    box->button(QMessageBox::Ok)->click();
  });
  form_.Command1->click();
  ASSERT_TRUE(done->has_value());
  EXPECT_EQ(status_when_confirmed, "目前此ROM为繁体中文");
  EXPECT_EQ((*done)->text, "转换成功");
  EXPECT_EQ((*done)->title, "提 示");
  EXPECT_EQ(ended_, 0);
  EXPECT_EQ(InspectRom(ToPath(rom)), RomEdition::Traditional);
}

TEST(Form1ErrorTest, FileErrorIsReportedAndEndsTheProgramWithFailure) {
  testing::TempDir dir;
  const auto path = dir / "gone.gba";
  testing::RomImageBuilder().Edition(RomEdition::Traditional).WriteTo(path);
  Form1 form;  // ends through the application's event loop
  form.show();
  AnswerNextFileDialog(QString::fromStdString(path.string()));
  form.Command4->click();
  std::filesystem::remove(path);  // gone since it was accepted
  form.Option1->click();

  auto report = CloseNextMessage();
  QTimer::singleShot(0, form.Command1, &QPushButton::click);
  EXPECT_EQ(QApplication::exec(), 1);
  ASSERT_TRUE(report->has_value());
  EXPECT_EQ((*report)->icon, QMessageBox::Critical);
  EXPECT_EQ((*report)->title, "错 误");
  EXPECT_TRUE((*report)->text.contains("无法打开文件“" +
                                       QString::fromStdString(path.string()) +
                                       "”：文件不存在"))
      << (*report)->text.toStdString();
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(QtBridgeTest, FileFilterBecomesQtsForm) {
  EXPECT_EQ(ToQtFileFilter("QorvaneROM文件(*.gba)|*.gba"),
            "QorvaneROM文件(*.gba) (*.gba)");
  EXPECT_EQ(ToQtFileFilter("Images|*.png;*.bmp|All|*.*"),
            "Images (*.png *.bmp);;All (*.*)");
  EXPECT_EQ(MessageToQString("a\rb\r\rc"), "a\nb\n\nc");
}

}  // namespace
}  // namespace qorvane
