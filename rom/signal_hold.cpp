#include "rom/signal_hold.h"

#include <array>
#include <atomic>
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

// Holds may nest or overlap across threads; the first one in takes over the
// signals and the last one out gives them back. (A platform lock: MinGW's
// win32 thread model has no std::mutex.)

#ifdef _WIN32

namespace {

SRWLOCK holds_lock = SRWLOCK_INIT;
int holds = 0;
std::atomic<bool> noted{false};

class HoldsLock {
 public:
  HoldsLock() { ::AcquireSRWLockExclusive(&holds_lock); }
  ~HoldsLock() { ::ReleaseSRWLockExclusive(&holds_lock); }
  HoldsLock(const HoldsLock&) = delete;
  HoldsLock& operator=(const HoldsLock&) = delete;
};

BOOL WINAPI NoteConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  noted = true;
  return TRUE;
}

}  // namespace

SignalHold::SignalHold() {
  const HoldsLock lock;
  if (holds++ == 0) ::SetConsoleCtrlHandler(NoteConsoleEvent, TRUE);
}

SignalHold::~SignalHold() {
  {
    const HoldsLock lock;
    if (--holds > 0) return;
    ::SetConsoleCtrlHandler(NoteConsoleEvent, FALSE);
  }
  // What the system's own handler does with Ctrl-C or Ctrl-Break.
  if (noted.exchange(false)) ::ExitProcess(STATUS_CONTROL_C_EXIT);
}

#else  // POSIX

namespace {

pthread_mutex_t holds_lock = PTHREAD_MUTEX_INITIALIZER;
int holds = 0;

class HoldsLock {
 public:
  HoldsLock() { pthread_mutex_lock(&holds_lock); }
  ~HoldsLock() { pthread_mutex_unlock(&holds_lock); }
  HoldsLock(const HoldsLock&) = delete;
  HoldsLock& operator=(const HoldsLock&) = delete;
};

constexpr std::array<int, 3> kHeldSignals{SIGINT, SIGTERM, SIGHUP};

static_assert(std::atomic<bool>::is_always_lock_free,
              "set from a signal handler");
std::array<std::atomic<bool>, kHeldSignals.size()> noted{};
std::array<struct sigaction, kHeldSignals.size()> saved_actions{};

extern "C" void NoteSignal(int signal) {
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    if (kHeldSignals[i] == signal) noted[i] = true;
  }
}

sigset_t HeldSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kHeldSignals) sigaddset(&set, signal);
  return set;
}

// These calls fail only for invalid arguments, which they never get here.
// A signal the program ignores is noted too, and raised into being ignored.

void CatchInOtherThreads() {
  struct sigaction note {};
  note.sa_handler = NoteSignal;
  note.sa_flags = SA_RESTART;
  sigfillset(&note.sa_mask);
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    sigaction(kHeldSignals[i], &note, &saved_actions[i]);
  }
}

void GiveBack() {
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    sigaction(kHeldSignals[i], &saved_actions[i], nullptr);
  }
}

}  // namespace

SignalHold::SignalHold() {
  const sigset_t held = HeldSet();
  pthread_sigmask(SIG_BLOCK, &held, &previous_mask_);
  const HoldsLock lock;
  if (holds++ == 0) CatchInOtherThreads();
}

SignalHold::~SignalHold() {
  std::array<bool, kHeldSignals.size()> raise_now{};
  {
    const HoldsLock lock;
    if (--holds == 0) {
      GiveBack();
      for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
        raise_now[i] = noted[i].exchange(false);
      }
    }
  }
  // A signal pending for this thread is delivered before this call returns.
  pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    if (raise_now[i]) raise(kHeldSignals[i]);
  }
}

#endif

}  // namespace qorvane
