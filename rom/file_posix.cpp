// The POSIX backend of rom_file.h.

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
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

// Makes an interrupted call again; the result, or errno's code.
template <typename Call>
std::error_code Retried(Call call, ssize_t* result = nullptr) {
  ssize_t got = call();
  while (got < 0 && errno == EINTR) got = call();
  if (result != nullptr) *result = std::max<ssize_t>(got, 0);
  return got < 0 ? Errno() : std::error_code{};
}

// A read or write, made again if interrupted: what it moved, or its error.
template <typename Call>
IoResult Transfer(Call call) {
  ssize_t count = 0;
  const std::error_code error = Retried(call, &count);
  return {static_cast<std::size_t>(count), error};
}

}  // namespace

std::error_code FileCalls::Open(const std::filesystem::path& path,
                                Access access, NativeHandle& handle) {
  // O_NONBLOCK: a FIFO opens without waiting for a writer; O_NOCTTY: a
  // terminal does not become ours. Neither changes a regular file.
  const int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) |
                    O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  ssize_t fd = -1;
  if (Retried([&] { return ::open(path.c_str(), flags); }, &fd)) {
    // A path through something that is no directory names no file either;
    // a directory opened for writing is refused before it is opened.
    if (errno == EISDIR) return RomRefusal::NotRegularFile;
    if (errno == ENOTDIR) errno = ENOENT;
    return Errno();
  }
  struct stat data {};
  const std::error_code error = ::fstat(Fd(fd), &data) != 0 ? Errno()
                                : S_ISREG(data.st_mode)
                                    ? std::error_code{}
                                    : RomRefusal::NotRegularFile;
  if (error) ::close(Fd(fd));
  handle = fd;  // taken only with no error
  return error;
}

std::error_code FileCalls::Lock(NativeHandle handle) {
  return Retried([&] { return ::flock(Fd(handle), LOCK_EX | LOCK_NB); });
}

IoResult FileCalls::ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                           std::uint64_t offset) {
  return Transfer([&] {
    return ::pread(Fd(handle), buffer.data(), Chunk(buffer.size()),
                   static_cast<off_t>(offset));
  });
}

IoResult FileCalls::WriteAt(NativeHandle handle,
                            std::span<const std::uint8_t> data,
                            std::uint64_t offset) {
  return Transfer([&] {
    return ::pwrite(Fd(handle), data.data(), Chunk(data.size()),
                    static_cast<off_t>(offset));
  });
}

std::error_code FileCalls::Sync(NativeHandle handle) {
#ifdef F_FULLFSYNC
  // On macOS only F_FULLFSYNC reaches the storage; some file systems refuse
  // it, and fsync is then the best there is.
  const std::error_code full =
      Retried([&] { return ::fcntl(Fd(handle), F_FULLFSYNC); });
  if (full != std::errc::not_supported && full != std::errc::invalid_argument) {
    return full;
  }
#endif
  return Retried([&] { return ::fsync(Fd(handle)); });
}

std::error_code FileCalls::Close(NativeHandle handle) {
  // The descriptor and its lock are gone whatever close says, and an
  // interrupted close lost nothing that was synced before it: no retry.
  if (::close(Fd(handle)) == 0 || errno == EINTR) return {};
  return Errno();
}

// The mask calls fail only for invalid arguments, which they never get.
void FileCalls::HoldSignals(bool hold) {
  thread_local sigset_t found;  // the thread's mask before the hold
  if (!hold) {
    ::pthread_sigmask(SIG_SETMASK, &found, nullptr);
    return;
  }
  sigset_t ending;
  sigemptyset(&ending);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal);
  ::pthread_sigmask(SIG_BLOCK, &ending, &found);
}

std::string FileCalls::ErrorWords(std::error_code code) {
  return code.message();
}

}  // namespace qorvane
