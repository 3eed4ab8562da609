// The engine's only way to a file: one handle to one existing regular file,
// with positioned reads and writes at 64-bit offsets, sync, an exclusive
// lock, and a checked close. Each method raises RomError naming the file; the
// `Try` methods report instead, for the restore after a failed write, which
// must carry on whatever happens. The handle is closed on every path out.
//
// The system calls that move data, sync and close sit behind `FileCalls`, so
// tests can record them, or make one fail or come back short, on a real file.
// What differs between systems lives in one backend file per platform
// (file_posix.cpp, file_win32.cpp), which CMake chooses.

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

// A file descriptor, or the value of a Windows HANDLE.
using NativeHandle = std::intptr_t;

struct IoResult {
  std::size_t bytes = 0;  // transferred; may be fewer than asked
  std::error_code error;  // set when the call failed
};

// One attempt of each call. Interrupted calls are reported as they are;
// `RomFile` retries them.
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

  // The operating system's own calls.
  static FileCalls& System();
};

class RomFile {
 public:
  enum class Access { ReadOnly, ReadWrite };

  // Opens an existing regular file; never creates or truncates one, and
  // never waits or starts anything (a FIFO or a device opens at once). What
  // the path names is told from the opened handle: a path that names no file
  // raises RomError with a code equal to errc::no_such_file_or_directory, a
  // directory, device or FIFO one with RomRefusal::NotRegularFile.
  RomFile(const std::filesystem::path& path, Access access,
          FileCalls& calls = FileCalls::System());
  ~RomFile();
  RomFile(const RomFile&) = delete;
  RomFile& operator=(const RomFile&) = delete;

  // The file's size when it was opened.
  std::uint64_t size() const { return size_; }
  // An exclusive advisory lock, taken without waiting: a file that another
  // conversion holds is an error. Released on close.
  void LockExclusive();
  // Reads until `buffer` is full or the file ends; returns how far it got.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer);
  // Writes all of `data`, continuing after short writes.
  std::error_code TryWriteAt(std::uint64_t offset,
                             std::span<const std::uint8_t> data) noexcept;
  std::error_code TrySync() noexcept;
  // A failed close says what it left of the file: `outcome`.
  void Close(FileOutcome outcome);

 private:
  [[noreturn]] void Fail(RomOperation operation, std::error_code code) const;

  std::filesystem::path path_;  // to name the file in errors
  FileCalls& calls_;
  NativeHandle handle_ = 0;
  std::uint64_t size_ = 0;
  bool open_ = false;
};

// What each platform's backend provides besides the FileCalls.
//
// Opens `path` as RomFile's constructor says, setting `handle` and `size`;
// on failure returns the code the constructor raises, with no handle left
// open.
std::error_code OpenRegularFile(const std::filesystem::path& path,
                                RomFile::Access access, NativeHandle& handle,
                                std::uint64_t& size);
std::error_code LockFileExclusive(NativeHandle handle);
// The system's own words for `code`, as UTF-8.
std::string SystemErrorWords(std::error_code code);

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_FILE_H_
