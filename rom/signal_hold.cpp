#include "rom/signal_hold.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstddef>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace qorvane {
namespace {

// Holds nest within a thread. The outermost one takes a lock until it ends,
// so holds in different threads take turns and one thread at a time holds.
thread_local int depth = 0;

}  // namespace

#ifdef _WIN32

namespace {

// A platform lock: MinGW's win32 thread model has no std::mutex.
SRWLOCK hold_lock = SRWLOCK_INIT;
std::atomic<bool> noted{false};

BOOL WINAPI NoteConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  noted = true;
  return TRUE;
}

}  // namespace

SignalHold::SignalHold() {
  if (depth++ > 0) return;
  ::AcquireSRWLockExclusive(&hold_lock);
  ::SetConsoleCtrlHandler(NoteConsoleEvent, TRUE);
}

SignalHold::~SignalHold() {
  if (--depth > 0) return;
  ::SetConsoleCtrlHandler(NoteConsoleEvent, FALSE);
  const bool end = noted.exchange(false);
  ::ReleaseSRWLockExclusive(&hold_lock);
  // What the system's own handler does with Ctrl-C or Ctrl-Break.
  if (end) ::ExitProcess(STATUS_CONTROL_C_EXIT);
}

#else  // POSIX

namespace {

constexpr std::array<int, 3> kHeldSignals{SIGINT, SIGTERM, SIGHUP};

pthread_mutex_t hold_lock = PTHREAD_MUTEX_INITIALIZER;
std::atomic<pthread_t> holder;
std::array<struct sigaction, kHeldSignals.size()> saved_actions{};

// Runs in a thread that does not hold the signals off: passes the signal on
// to the holding thread, where it waits, blocked, until the hold ends.
extern "C" void ForwardSignal(int signal) {
  const int saved_errno = errno;
  pthread_kill(holder.load(), signal);
  errno = saved_errno;
}

}  // namespace

// The signal calls fail only for invalid arguments, which they never get.

SignalHold::SignalHold() {
  sigset_t held;
  sigemptyset(&held);
  for (const int signal : kHeldSignals) sigaddset(&held, signal);
  pthread_sigmask(SIG_BLOCK, &held, &previous_mask_);
  if (depth++ > 0) return;

  pthread_mutex_lock(&hold_lock);
  holder = pthread_self();
  struct sigaction forward {};
  forward.sa_handler = ForwardSignal;
  forward.sa_flags = SA_RESTART;
  sigfillset(&forward.sa_mask);
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    sigaction(kHeldSignals[i], &forward, &saved_actions[i]);
  }
}

SignalHold::~SignalHold() {
  if (--depth == 0) {
    for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
      sigaction(kHeldSignals[i], &saved_actions[i], nullptr);
    }
    pthread_mutex_unlock(&hold_lock);
  }
  // A signal that came meanwhile is pending for this thread, and is now
  // delivered as the program's own disposition says before this returns.
  pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
}

#endif

}  // namespace qorvane
