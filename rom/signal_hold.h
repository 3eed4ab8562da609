// Holds off the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP;
// Ctrl-C and Ctrl-Break in a Windows console) for as long as an object of
// this type lives, so that a step that must not be cut in half runs to its
// end. When the hold ends, a signal that came meanwhile takes effect as it
// would have: the process ends (or its own handler runs) before the
// destructor returns.
//
// On POSIX the signals are blocked in the holding thread. A signal sent to
// the process may go to any thread that does not block it, so for the time
// of the hold the other threads pass such a signal on to the holding thread,
// where it waits. (One that another thread has only just begun to take as
// the hold ends may take effect a moment after the destructor; none is
// lost.) A signal the program ignores stays ignored. On Windows a console
// control handler takes Ctrl-C and Ctrl-Break; one that came ends the
// process with the status the system's own handler gives
// (STATUS_CONTROL_C_EXIT).
//
// Holds nest within a thread; holds in different threads take turns.
// SIGKILL, SIGSTOP and power loss cannot be held off.

#ifndef QORVANE_ROM_SIGNAL_HOLD_H_
#define QORVANE_ROM_SIGNAL_HOLD_H_

#ifndef _WIN32
#include <signal.h>
#endif

namespace qorvane {

class SignalHold {
 public:
  SignalHold();
  ~SignalHold();
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;

 private:
#ifndef _WIN32
  sigset_t previous_mask_;
#endif
};

}  // namespace qorvane

#endif  // QORVANE_ROM_SIGNAL_HOLD_H_
