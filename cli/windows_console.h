// The CLI's console on Windows: standard output and error, and Ctrl-C. The CLI
// writes UTF-8; a console gets it as UTF-16 through WriteConsoleW, so Chinese
// shows whatever the console's code page, and a file or pipe gets the UTF-8
// bytes themselves. A failed write fails the stream, which the CLI reports.

#ifndef QORVANE_CLI_WINDOWS_CONSOLE_H_
#define QORVANE_CLI_WINDOWS_CONSOLE_H_

#include <streambuf>
#include <string>

namespace qorvane::cli {

class HandleStreamBuf : public std::streambuf {
 public:
  // `handle`: a HANDLE, such as GetStdHandle(STD_OUTPUT_HANDLE).
  explicit HandleStreamBuf(void* handle);
  HandleStreamBuf(const HandleStreamBuf&) = delete;
  HandleStreamBuf& operator=(const HandleStreamBuf&) = delete;
  ~HandleStreamBuf() override;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* data, std::streamsize size) override;
  int sync() override;

 private:
  // Writes what is pending, up to the last whole UTF-8 sequence.
  bool Flush();

  void* handle_;
  bool console_;
  std::string pending_;
};

// Holds off Ctrl-C and Ctrl-Break in a console while it lives, so that a
// conversion is never cut in half: its handler notes them, and its end
// removes the handler and, if one came, ends the process as the system's
// own handler would.
class ConsoleCtrlHold {
 public:
  ConsoleCtrlHold();
  ~ConsoleCtrlHold();
  ConsoleCtrlHold(const ConsoleCtrlHold&) = delete;
  ConsoleCtrlHold& operator=(const ConsoleCtrlHold&) = delete;
};

}  // namespace qorvane::cli

#endif  // QORVANE_CLI_WINDOWS_CONSOLE_H_
