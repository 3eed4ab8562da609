#include "window/qt/end_signals.h"

#ifndef _WIN32
#include <pthread.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <csignal>
#include <thread>
#endif

namespace qorvane {

#ifndef _WIN32
namespace {

// Ends the program now, as `signal`'s default action does.
void EndAs(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signal);
}

}  // namespace

void EndOnSignalsBetweenEvents() {
  sigset_t ending;
  sigemptyset(&ending);
  bool any = false;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction found {};
    if (::sigaction(signal, nullptr, &found) == 0 &&
        found.sa_handler != SIG_IGN) {
      sigaddset(&ending, signal);
      any = true;
    }
  }
  if (!any) return;
  ::pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  std::thread([ending] {
    int signal = 0;
    if (::sigwait(&ending, &signal) != 0) return;
    // No event loop yet, or no more: nothing runs that a signal could cut.
    QCoreApplication* const app = QCoreApplication::instance();
    if (app == nullptr || QCoreApplication::closingDown()) EndAs(signal);
    QMetaObject::invokeMethod(
        app, [signal] { EndAs(signal); }, Qt::QueuedConnection);
  }).detach();
}
#else
void EndOnSignalsBetweenEvents() {}
#endif

}  // namespace qorvane
