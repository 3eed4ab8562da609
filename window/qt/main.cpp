// The window program: loads Form1, shows it, and runs until it ends.

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "window/qt/end_signals.h"
#include "window/qt/form1.h"

int main(int argc, char** argv) {
  qorvane::EndOnSignalsBetweenEvents();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("qorvane-switcher"));
  QApplication::setApplicationVersion(QStringLiteral(QORVANE_VERSION_TEXT));
  QApplication::setDesktopFileName(
      QStringLiteral("org.example.QorvaneSwitcher"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/qorvane-switcher.png")));
  // The tool speaks Simplified Chinese, so Qt's own dialogs and buttons do
  // too where Qt's translations are installed; otherwise they stay English.
  QTranslator qt_texts;
  if (qt_texts.load(QLocale(QLocale::Chinese, QLocale::China),
                    QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qt_texts);
  }
  // Form1 decides when the program ends, and with which status.
  QApplication::setQuitOnLastWindowClosed(false);

  qorvane::Form1 form;
  if (!form.exit_status()) form.show();  // an error in its load event ends it
  return QApplication::exec();
}
