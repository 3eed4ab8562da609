// The window program's signal policy, in child processes that run an
// event loop with a thread of their own beside it, as Qt's are: a signal
// sent to the process while an event is being handled ends the program only
// once that event is done; an ignored one does not end it.

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

struct Row {
  int signal;
  bool ignored_at_start;
  std::string said;  // what the child wrote before it ended
  int ended_by;      // the signal that ended it, or 0 for exit status 0
};

// In the child: the policy, an idle thread, then one event that says
// "busy", sleeps while the parent sends the signal and says "done"; the
// loop ends a little later.
[[noreturn]] void Child(const Row& row, int out) {
  if (row.ignored_at_start) std::signal(row.signal, SIG_IGN);
  EndOnSignalsBetweenEvents();
  int argc = 1;
  char name[] = "child";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::seconds(5));
  }).detach();
  QTimer::singleShot(0, [out] {
    (void)!::write(out, "busy ", 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    (void)!::write(out, "done", 4);
    QTimer::singleShot(300, [] { QCoreApplication::quit(); });
  });
  QCoreApplication::exec();
  ::_exit(0);
}

TEST(EndSignalsTest, ASignalEndsTheProgramOnlyBetweenEvents) {
  const Row rows[] = {
      {SIGTERM, false, "busy done", SIGTERM},
      {SIGINT, false, "busy done", SIGINT},
      {SIGHUP, false, "busy done", SIGHUP},
      {SIGHUP, true, "busy done", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.signal);
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipe_ends[0]);
      Child(row, pipe_ends[1]);
    }
    ::close(pipe_ends[1]);
    std::string said(5, '\0');
    ASSERT_EQ(::read(pipe_ends[0], said.data(), 5), 5);  // in the event
    ::kill(child, row.signal);
    char rest[16];
    for (ssize_t n; (n = ::read(pipe_ends[0], rest, sizeof rest)) > 0;) {
      said.append(rest, static_cast<std::size_t>(n));
    }
    ::close(pipe_ends[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(said, row.said);
    if (row.ended_by != 0) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == row.ended_by)
          << status;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
  }
}

}  // namespace
}  // namespace qorvane
