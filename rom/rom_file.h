// The engine's only way to a file: one open handle to one existing file,
// positioned reads and writes at 64-bit offsets, sync, an exclusive lock,
// and a checked close. The handle is closed on every path out.
//
// The single system calls sit behind `FileCalls`, so tests can make the Nth
// read, write or sync fail, or come back short, on a real file.

#ifndef QORVANE_ROM_ROM_FILE_H_
#define QORVANE_ROM_ROM_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

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

// One attempt of each system call that moves data. Interrupted calls are
// reported as they are; `RomFile` retries them.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual IoResult ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                          std::uint64_t offset);
  virtual IoResult WriteAt(NativeHandle handle,
                           std::span<const std::uint8_t> data,
                           std::uint64_t offset);
  virtual std::error_code Sync(NativeHandle handle);

  // The operating system's own calls.
  static FileCalls& System();
};

struct FileInfo {
  bool regular = false;
  std::uint64_t size = 0;
};

class RomFile {
 public:
  enum class Access { ReadOnly, ReadWrite };

  explicit RomFile(FileCalls& calls = FileCalls::System()) : calls_(calls) {}
  ~RomFile();
  RomFile(const RomFile&) = delete;
  RomFile& operator=(const RomFile&) = delete;

  // Opens an existing file; never creates or truncates one, and never waits
  // for a writer (a FIFO opens at once).
  std::error_code Open(const std::filesystem::path& path, Access access);
  bool is_open() const;

  std::error_code Stat(FileInfo& info) const;
  // Takes an exclusive advisory lock without waiting; a file locked by
  // another holder gives an error. Released on close.
  std::error_code TryLockExclusive();

  // Reads until `buffer` is full or the file ends; `got` tells how far.
  std::error_code ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer,
                         std::size_t& got);
  // Writes all of `data`, continuing after short writes.
  std::error_code WriteAt(std::uint64_t offset,
                          std::span<const std::uint8_t> data);
  // Flushes the file's data to stable storage.
  std::error_code Sync();
  std::error_code Close();

 private:
  FileCalls& calls_;
#ifdef _WIN32
  NativeHandle handle_ = nullptr;
#else
  NativeHandle handle_ = -1;
#endif
};

}  // namespace qorvane

#endif  // QORVANE_ROM_ROM_FILE_H_
