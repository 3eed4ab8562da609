// The window program's signal policy, in child processes that run an event
// loop with a thread of their own beside it, as Qt's are: a signal sent to
// the process while an event is being handled ends the program only once
// that event is done; an ignored one does not end it.

#include "window/qt/end_signals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace qorvane {
namespace {

using std::chrono::milliseconds;

TEST(EndSignalsTest, ASignalEndsTheProgramOnlyBetweenEvents) {
  const std::pair<int, bool> rows[] = {
      {SIGTERM, false}, {SIGINT, false}, {SIGHUP, false}, {SIGHUP, true}};
  for (const auto& [signal, ignored] : rows) {
    SCOPED_TRACE(signal);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    // The child: the policy, an idle thread, then one event that says
    // "busy", sleeps while the parent sends the signal and says "done"; the
    // loop ends a little later.
    if (child == 0) {
      if (ignored) std::signal(signal, SIG_IGN);
      EndOnSignalsBetweenEvents();
      int argc = 1;
      char name[] = "child";
      char* argv[] = {name, nullptr};
      QCoreApplication app(argc, argv);
      std::thread([] {
        std::this_thread::sleep_for(milliseconds(5000));
      }).detach();
      QTimer::singleShot(0, [out = ends[1]] {
        (void)!::write(out, "busy ", 5);
        std::this_thread::sleep_for(milliseconds(300));
        (void)!::write(out, "done", 4);
        QTimer::singleShot(300, [] { QCoreApplication::quit(); });
      });
      QCoreApplication::exec();
      ::_exit(0);
    }
    ::close(ends[1]);
    std::string said(5, '\0');
    ASSERT_EQ(::read(ends[0], said.data(), 5), 5);  // in the event
    ::kill(child, signal);
    char rest[16];
    for (ssize_t n; (n = ::read(ends[0], rest, sizeof rest)) > 0;)
      said.append(rest, static_cast<std::size_t>(n));
    ::close(ends[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(said, "busy done");
    EXPECT_TRUE(ignored ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                        : WIFSIGNALED(status) && WTERMSIG(status) == signal)
        << status;
  }
}

}  // namespace
}  // namespace qorvane
