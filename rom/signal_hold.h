// Holds off the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP;
// Ctrl-C and Ctrl-Break in a Windows console) while an object of this type
// lives, so that a step that must not be cut in half runs to its end. One
// process-wide handler notes such a signal, whichever thread it comes to;
// the hold's end puts the program's own handlers back and raises a noted
// signal again, before the destructor returns (on Windows: ends the process
// as the system's handler would, STATUS_CONTROL_C_EXIT). A signal the
// program ignores stays ignored. Holds nest within a thread; holds in
// different threads take turns. Each platform's backend file has its own.

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
