// The POSIX backend of rom_file.h.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
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

// An interrupted call is made again.
template <typename Call>
auto Retried(Call call) {
  auto result = call();
  while (result < 0 && errno == EINTR) result = call();
  return result;
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
  // The descriptor and its lock are gone whatever close says: no retry.
  return ::close(Fd(handle)) == 0 ? std::error_code{} : Errno();
}

std::error_code OpenRegularFile(const std::filesystem::path& path,
                                RomFile::Access access, NativeHandle& handle) {
  // O_NONBLOCK: a FIFO opens without waiting for a writer; O_NOCTTY: a
  // terminal does not become ours. Neither changes a regular file.
  const int flags = (access == RomFile::Access::ReadWrite ? O_RDWR : O_RDONLY) |
                    O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  const int fd = Retried([&] { return ::open(path.c_str(), flags); });
  // A path through something that is no directory names no file either; a
  // directory opened for writing is refused before it is opened.
  if (fd < 0 && errno == EISDIR) return RomRefusal::NotRegularFile;
  if (fd < 0 && errno == ENOTDIR) errno = ENOENT;
  if (fd < 0) return Errno();
  struct stat data {};
  const std::error_code error = ::fstat(fd, &data) != 0 ? Errno()
                                : S_ISREG(data.st_mode)
                                    ? std::error_code{}
                                    : RomRefusal::NotRegularFile;
  if (error) ::close(fd);
  handle = fd;  // taken only with no error
  return error;
}

std::error_code LockFileExclusive(NativeHandle handle) {
  return Retried([&] { return ::flock(Fd(handle), LOCK_EX | LOCK_NB); }) == 0
             ? std::error_code{}
             : Errno();
}

std::string SystemErrorWords(std::error_code code) { return code.message(); }

namespace {

constexpr std::array<int, 3> kHeldSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kHeldSignals.size()> saved_actions{};
std::atomic<unsigned> noted{0};  // bit n: signal n (all three are below 16)
static_assert(std::atomic<unsigned>::is_always_lock_free);

extern "C" void NoteSignal(int signal) { noted |= 1u << signal; }

}  // namespace

// The signal calls fail only for invalid arguments, which they never get.
SignalHold::SignalHold() {
  struct sigaction note {};
  note.sa_handler = NoteSignal;
  note.sa_flags = SA_RESTART;
  sigfillset(&note.sa_mask);
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    sigaction(kHeldSignals[i], nullptr, &saved_actions[i]);
    if (saved_actions[i].sa_handler != SIG_IGN) {
      sigaction(kHeldSignals[i], &note, nullptr);
    }
  }
}

SignalHold::~SignalHold() {
  for (std::size_t i = 0; i < kHeldSignals.size(); ++i) {
    sigaction(kHeldSignals[i], &saved_actions[i], nullptr);
  }
  const unsigned signals = noted.exchange(0);
  for (const int signal : kHeldSignals) {
    if (signals & (1u << signal)) raise(signal);
  }
}

}  // namespace qorvane
