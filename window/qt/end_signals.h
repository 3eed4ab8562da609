// The window program's process policy for the signals that ask a program
// to end (SIGINT, SIGTERM, SIGHUP): they end it between two events of its
// event loop, never inside one, where a conversion runs. The engine blocks
// them on its own thread while it converts, but Qt runs threads of its own,
// and the system may hand a signal sent to the process to any thread that
// does not block it. So the signals are blocked before any other thread
// starts (each inherits the mask), and one thread waits for them and hands
// each to the event loop, which ends the program as the signal's default
// action would. A signal ignored when the program started stays ignored.
// POSIX; elsewhere this does nothing.

#ifndef QORVANE_WINDOW_QT_END_SIGNALS_H_
#define QORVANE_WINDOW_QT_END_SIGNALS_H_

namespace qorvane {

// First thing in main: before the QApplication and before any thread.
void EndOnSignalsBetweenEvents();

}  // namespace qorvane

#endif  // QORVANE_WINDOW_QT_END_SIGNALS_H_
