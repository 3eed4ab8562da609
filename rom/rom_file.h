// The engine's only way to a file: one handle to one existing regular file,
// with positioned reads and writes, sync, an exclusive lock and a checked
// close. Failures raise RomError, except in the `Try` methods, which report
// (a restore carries on). Tests record or fail the calls behind `FileCalls`.
// Each platform implements what this header declares below RomFile, and
// FileCalls and SignalHold, in a backend file of its own (file_posix.cpp,
// file_win32.cpp, file_web.cpp), which CMake chooses.

#ifndef QORVANE_ROM_ROM_FILE_H_
#define QORVANE_ROM_ROM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "rom/rom_error.h"

namespace qorvane {

using NativeHandle = std::intptr_t;  // a descriptor, or a HANDLE's value

struct IoResult {
  std::size_t bytes = 0;  // transferred; may be fewer than asked
  std::error_code error;
};

// One attempt of each call; RomFile retries interrupted ones.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                          std::uint64_t offset);
  virtual IoResult WriteAt(NativeHandle handle,
                           std::span<const std::uint8_t> data,
                           std::uint64_t offset);
  virtual std::error_code Sync(NativeHandle handle);
  // Releases any lock and closes; the handle is gone whatever it reports.
  virtual std::error_code Close(NativeHandle handle);
  static FileCalls& System();  // the platform's own calls
};

class RomFile {
 public:
  enum class Access { ReadOnly, ReadWrite };

  // Opens an existing regular file, never creating, truncating, waiting or
  // starting anything. A path that names no file raises a code equal to
  // errc::no_such_file_or_directory; a folder, FIFO or device raises
  // RomRefusal::NotRegularFile.
  RomFile(const std::filesystem::path& path, Access access,
          FileCalls& calls = FileCalls::System());
  ~RomFile();
  RomFile(const RomFile&) = delete;
  RomFile& operator=(const RomFile&) = delete;

  // Taken without waiting: a file another conversion holds is an error.
  void LockExclusive();
  // Reads until `buffer` is full or the file ends; returns how far it got.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer);
  std::error_code TryWriteAt(std::uint64_t offset,
                             std::span<const std::uint8_t> data) noexcept;
  std::error_code TrySync() noexcept;
  // A failed close says what it left of the file: `outcome`.
  void Close(FileOutcome outcome);

 private:
  std::filesystem::path path_;  // to name the file in errors
  FileCalls& calls_;
  NativeHandle handle_ = 0;
  bool open_ = false;
};

// Opens as RomFile's constructor says; on failure no handle is left open.
std::error_code OpenRegularFile(const std::filesystem::path& path,
                                RomFile::Access access, NativeHandle& handle);
std::error_code LockFileExclusive(NativeHandle handle);
std::string SystemErrorWords(std::error_code code);  // as UTF-8

// Holds off the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP;
// Ctrl-C and Ctrl-Break in a Windows console) while it lives, so that a step
// that must not be cut in half runs to its end. One process-wide handler
// notes them, whichever thread they come to; the hold's end puts the old
// handlers back and raises a noted signal again (on Windows: ends the
// process as the system's handler would). Ignored signals stay ignored. One
// hold at a time: ConvertRom is its only user, on one thread per program.
class SignalHold {
 public:
  SignalHold();
  ~SignalHold();
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;
};

// A path as UTF-8 text and back, whatever the platform's native form.
inline std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}
inline std::filesystem::path Utf8ToPath(std::string_view text) {
  return std::u8string(text.begin(), text.end());
}

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_FILE_H_
