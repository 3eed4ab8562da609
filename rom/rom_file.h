// The engine's only way to a file: one handle to one existing regular file,
// with positioned reads and writes, sync, an exclusive lock and a checked
// close, each raising RomError; the `Try` methods report instead, for the
// restore after a failed write, which must carry on. The calls that move
// data, sync and close sit behind `FileCalls`, so that tests can record them
// or make one fail. What differs between systems is in one backend file per
// platform (file_posix.cpp, file_win32.cpp), which CMake chooses.

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
  static FileCalls& System();  // the operating system's own calls
};

class RomFile {
 public:
  enum class Access { ReadOnly, ReadWrite };

  // Opens an existing regular file; never creates or truncates one, never
  // waits or starts anything (a FIFO or device opens at once), and tells
  // what it opened: a path that names no file raises a code equal to
  // errc::no_such_file_or_directory, anything but a regular file
  // RomRefusal::NotRegularFile.
  RomFile(const std::filesystem::path& path, Access access,
          FileCalls& calls = FileCalls::System());
  ~RomFile();
  RomFile(const RomFile&) = delete;
  RomFile& operator=(const RomFile&) = delete;

  std::uint64_t size() const { return size_; }  // when it was opened
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
  [[noreturn]] void Fail(RomOperation operation, std::error_code code) const;

  std::filesystem::path path_;  // to name the file in errors
  FileCalls& calls_;
  NativeHandle handle_ = 0;
  std::uint64_t size_ = 0;
  bool open_ = false;
};

// The rest of a platform's backend. OpenRegularFile opens and tells as
// RomFile's constructor says, returning its error with no handle left open.
std::error_code OpenRegularFile(const std::filesystem::path& path,
                                RomFile::Access access, NativeHandle& handle,
                                std::uint64_t& size);
std::error_code LockFileExclusive(NativeHandle handle);
std::string SystemErrorWords(std::error_code code);  // as UTF-8

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_FILE_H_
