// The engine's only way to a file: one handle to one existing file, with
// positioned reads and writes at 64-bit offsets, sync, an exclusive lock, and
// a checked close. Each method raises RomError naming the file; the `Try`
// methods report instead, for the restore after a failed write, which must
// carry on whatever happens. The handle is closed on every path out.
//
// The system calls that move data, sync and close sit behind `FileCalls`, so
// tests can record them, or make one fail or come back short, on a real file.

#ifndef QORVANE_ROM_ROM_FILE_H_
#define QORVANE_ROM_ROM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

#include "rom/rom_error.h"

namespace qorvane {

#ifdef _WIN32
using NativeHandle = void*;
#else
using NativeHandle = int;
#endif

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

// What `path` names, following symbolic links, as std::filesystem::status
// says; on Windows through the system's own call, at any path length.
std::filesystem::file_type FileTypeOf(const std::filesystem::path& path,
                                      std::error_code& error);

class RomFile {
 public:
  enum class Access { ReadOnly, ReadWrite };
  struct Info {
    bool regular = false;
    std::uint64_t size = 0;
  };

  // Opens an existing file; never creates or truncates one, and never waits
  // (a FIFO opens at once).
  RomFile(std::filesystem::path path, Access access,
          FileCalls& calls = FileCalls::System());
  ~RomFile();
  RomFile(const RomFile&) = delete;
  RomFile& operator=(const RomFile&) = delete;

  Info Stat() const;
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

  const std::filesystem::path& path() const { return path_; }

 private:
  [[noreturn]] void Fail(RomOperation operation, std::error_code code) const;

  std::filesystem::path path_;
  FileCalls& calls_;
  NativeHandle handle_;
  bool open_ = false;
};

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_FILE_H_
