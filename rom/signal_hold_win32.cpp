#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>

#include "rom/signal_hold.h"

namespace qorvane {
namespace {

// The outermost hold of a thread takes the lock until it ends, so that one
// thread at a time holds. A platform lock: MinGW's win32 thread model has
// no std::mutex.
SRWLOCK hold_lock = SRWLOCK_INIT;
thread_local int depth = 0;
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

}  // namespace qorvane
