// Holds off the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP;
// Ctrl-C and Ctrl-Break in a Windows console) for as long as an object of
// this type lives, so that a step that must not be cut in half runs to its
// end. When the hold ends, a signal that came meanwhile takes effect as it
// would have: the process ends (or its own handler runs) before the
// destructor returns.
//
// One process-wide handler notes such a signal, whichever thread it comes
// to; the hold's end puts the program's own handlers back and raises a noted
// signal again. A signal the program ignores stays ignored. On Windows a
// noted Ctrl-C or Ctrl-Break ends the process with the status the system's
// own handler gives (STATUS_CONTROL_C_EXIT). Each platform has its own
// file (signal_hold_posix.cpp, signal_hold_win32.cpp).
//
// Holds nest within a thread; holds in different threads take turns.
// SIGKILL, SIGSTOP and power loss cannot be held off.

#ifndef QORVANE_ROM_SIGNAL_HOLD_H_
#define QORVANE_ROM_SIGNAL_HOLD_H_

namespace qorvane {

class SignalHold {
 public:
  SignalHold();
  ~SignalHold();
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;
};

}  // namespace qorvane

#endif  // QORVANE_ROM_SIGNAL_HOLD_H_
