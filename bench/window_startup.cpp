// Start-up cost of the window against a bare Qt Widgets window of the same
// size: time from main to the first paint, and peak memory at that moment.
// "bare-cjk" is the bare window with one Chinese label, the least any window
// that shows Chinese text has to load.
//
//   window_startup_bench form1|bare|bare-cjk
//
// Prints "<which> <milliseconds> <peak KiB>" and exits.

#include <sys/resource.h>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "window/qt/form1.h"

namespace {

class FirstPaint : public QObject {
 public:
  FirstPaint(const char* which, std::chrono::steady_clock::time_point start)
      : which_(which), start_(start) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      const auto elapsed = std::chrono::steady_clock::now() - start_;
      rusage usage{};
      getrusage(RUSAGE_SELF, &usage);
      std::printf("%s %.2f %ld\n", which_,
                  std::chrono::duration<double, std::milli>(elapsed).count(),
                  usage.ru_maxrss);
      QApplication::exit(0);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  const char* which_;
  std::chrono::steady_clock::time_point start_;
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  const char* which = argc > 1 ? argv[1] : "form1";
  QApplication app(argc, argv);
  std::unique_ptr<QWidget> window;
  if (std::strcmp(which, "form1") == 0) {
    window = std::make_unique<qorvane::Form1>();
  } else {
    window = std::make_unique<QWidget>();
    window->setFixedSize(268, 121);
    if (std::strcmp(which, "bare-cjk") == 0) {
      new QLabel(QStringLiteral("简体中文"), window.get());
    }
  }
  FirstPaint watcher(which, start);
  window->installEventFilter(&watcher);
  window->show();
  return QApplication::exec();
}
