// The engine's only way to a file. `FileCalls` is the one seam to the
// platform: each platform defines its methods in a backend file of its own
// (file_posix.cpp, file_win32.cpp, file_web.cpp), which CMake chooses, and
// tests override any of them to record or fail a call. `RomFile` holds one
// handle to one existing regular file over those calls; its failures raise
// RomError, except in the `Try` methods, which report (a restore carries on).

#ifndef QORVANE_ROM_ROM_FILE_H_
#define QORVANE_ROM_ROM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include "rom/rom_error.h"

namespace qorvane {

using NativeHandle = std::intptr_t;  // a descriptor, or a HANDLE's value

enum class Access { ReadOnly, ReadWrite };

struct IoResult {
  std::size_t bytes = 0;  // transferred; may be fewer than asked
  std::error_code error;
};

// The platform's calls. None waits, and none reports an interrupted call:
// the backend makes it again.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  // Opens an existing regular file, never creating, truncating, waiting or
  // starting anything. A path that names no file gives a code equal to
  // errc::no_such_file_or_directory; a folder, FIFO or device gives
  // RomRefusal::NotRegularFile. On failure no handle is left open.
  virtual std::error_code Open(const std::filesystem::path& path, Access access,
                               NativeHandle& handle);
  // An exclusive advisory lock, taken without waiting.
  virtual std::error_code Lock(NativeHandle handle);
  virtual IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                          std::uint64_t offset);
  virtual IoResult WriteAt(NativeHandle handle,
                           std::span<const std::uint8_t> data,
                           std::uint64_t offset);
  virtual std::error_code Sync(NativeHandle handle);
  // Releases any lock and closes; the handle is gone whatever it reports.
  virtual std::error_code Close(NativeHandle handle);
  // While `hold` is true, the signals that ask a program to end (SIGINT,
  // SIGTERM, SIGHUP) are blocked on the calling thread; false restores the
  // mask it found, and a signal that came meanwhile takes effect then as
  // its disposition says. No handler is installed. Nothing to hold where
  // there are no signals (Windows, the browser).
  virtual void HoldSignals(bool hold);
  // The system's own words for `code`, as UTF-8.
  virtual std::string ErrorWords(std::error_code code);
  static FileCalls& System();  // the platform's own calls
};

class RomFile {
 public:
  // Opens as FileCalls::Open says; raises its error.
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
  std::error_code TrySync() noexcept { return calls_.Sync(handle_); }
  // A failed close says what it left of the file: `outcome`.
  void Close(FileOutcome outcome);

 private:
  std::filesystem::path path_;  // to name the file in errors
  FileCalls& calls_;
  NativeHandle handle_ = 0;
  bool open_ = false;
};

#ifdef _WIN32
// `path` as the wide calls take it at any length: a full path of MAX_PATH
// characters or more gets the \\?\ prefix (\\?\UNC\ for a share), so that
// it works whether or not the system has long paths enabled.
std::wstring SystemPath(const std::filesystem::path& path);
#endif

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_FILE_H_
