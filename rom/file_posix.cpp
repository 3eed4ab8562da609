// The POSIX backend of RomFile.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "rom/rom_file.h"

namespace qorvane {
namespace {

std::error_code Errno() { return {errno, std::generic_category()}; }

int Fd(NativeHandle handle) { return static_cast<int>(handle); }

std::size_t Chunk(std::size_t size) {
  return std::min<std::size_t>(size, std::numeric_limits<ssize_t>::max());
}

}  // namespace

IoResult FileCalls::ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                           std::uint64_t offset) {
  const ssize_t got = ::pread(Fd(handle), buffer.data(), Chunk(buffer.size()),
                              static_cast<off_t>(offset));
  if (got < 0) return {0, Errno()};
  return {static_cast<std::size_t>(got), {}};
}

IoResult FileCalls::WriteAt(NativeHandle handle,
                            std::span<const std::uint8_t> data,
                            std::uint64_t offset) {
  const ssize_t put = ::pwrite(Fd(handle), data.data(), Chunk(data.size()),
                               static_cast<off_t>(offset));
  if (put < 0) return {0, Errno()};
  return {static_cast<std::size_t>(put), {}};
}

std::error_code FileCalls::Sync(NativeHandle handle) {
#ifdef F_FULLFSYNC
  // On macOS only F_FULLFSYNC reaches the storage; some file systems refuse
  // it, and fsync is then the best there is.
  if (::fcntl(Fd(handle), F_FULLFSYNC) == 0) return {};
  if (errno != ENOTSUP && errno != EINVAL) return Errno();
#endif
  return ::fsync(Fd(handle)) == 0 ? std::error_code{} : Errno();
}

std::error_code FileCalls::Close(NativeHandle handle) {
  // The descriptor, and its lock, are gone whatever close reports; never
  // retry it.
  return ::close(Fd(handle)) == 0 ? std::error_code{} : Errno();
}

std::error_code OpenRegularFile(const std::filesystem::path& path,
                                RomFile::Access access, NativeHandle& handle,
                                std::uint64_t& size) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer, and O_NOCTTY
  // a terminal from becoming ours; on a regular file they change nothing.
  const int flags = (access == RomFile::Access::ReadWrite ? O_RDWR : O_RDONLY) |
                    O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  // A path through something that is no directory names no file either; a
  // directory opened for writing is refused before it is opened.
  if (fd < 0 && errno == ENOTDIR) errno = ENOENT;
  if (fd < 0 && errno == EISDIR) return RomRefusal::NotRegularFile;
  if (fd < 0) return Errno();
  struct stat data {};
  std::error_code error;
  if (::fstat(fd, &data) != 0) {
    error = Errno();
  } else if (!S_ISREG(data.st_mode)) {
    error = RomRefusal::NotRegularFile;
  }
  if (error) {
    ::close(fd);
    return error;
  }
  handle = fd;
  size = static_cast<std::uint64_t>(data.st_size);
  return {};
}

std::error_code LockFileExclusive(NativeHandle handle) {
  int result = 0;
  do {
    result = ::flock(Fd(handle), LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? std::error_code{} : Errno();
}

std::string SystemErrorWords(std::error_code code) { return code.message(); }

}  // namespace qorvane
