#include "rom/rom_file.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qorvane {
namespace {

bool IsInterrupted(std::error_code error) {
  return error == std::errc::interrupted;
}

}  // namespace

FileCalls& FileCalls::System() {
  static FileCalls calls;
  return calls;
}

#ifdef _WIN32

namespace {

std::error_code LastError() {
  return {static_cast<int>(::GetLastError()), std::system_category()};
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED overlapped{};
  overlapped.Offset = static_cast<DWORD>(offset);
  overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return overlapped;
}

DWORD Chunk(std::size_t size) {
  return static_cast<DWORD>(
      std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
}

}  // namespace

IoResult FileCalls::ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                           std::uint64_t offset) {
  OVERLAPPED overlapped = At(offset);
  DWORD got = 0;
  if (!::ReadFile(handle, buffer.data(), Chunk(buffer.size()), &got,
                  &overlapped)) {
    if (::GetLastError() == ERROR_HANDLE_EOF) return {0, {}};
    return {0, LastError()};
  }
  return {got, {}};
}

IoResult FileCalls::WriteAt(NativeHandle handle,
                            std::span<const std::uint8_t> data,
                            std::uint64_t offset) {
  OVERLAPPED overlapped = At(offset);
  DWORD put = 0;
  if (!::WriteFile(handle, data.data(), Chunk(data.size()), &put,
                   &overlapped)) {
    return {0, LastError()};
  }
  return {put, {}};
}

std::error_code FileCalls::Sync(NativeHandle handle) {
  return ::FlushFileBuffers(handle) ? std::error_code{} : LastError();
}

std::error_code RomFile::Open(const std::filesystem::path& path,
                              Access access) {
  if (is_open()) Close();
  const DWORD rights =
      access == Access::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  HANDLE handle =
      ::CreateFileW(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  handle_ = handle;
  return {};
}

bool RomFile::is_open() const { return handle_ != nullptr; }

std::error_code RomFile::Stat(FileInfo& info) const {
  BY_HANDLE_FILE_INFORMATION data{};
  if (::GetFileType(handle_) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(handle_, &data)) {
    info = {};
    return {};
  }
  info.regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
              data.nFileSizeLow;
  return {};
}

std::error_code RomFile::TryLockExclusive() {
  OVERLAPPED whole{};
  if (!::LockFileEx(handle_,
                    LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                    MAXDWORD, MAXDWORD, &whole)) {
    return LastError();
  }
  return {};
}

std::error_code RomFile::Close() {
  if (!is_open()) return {};
  HANDLE handle = handle_;
  handle_ = nullptr;
  return ::CloseHandle(handle) ? std::error_code{} : LastError();
}

#else  // POSIX

namespace {

std::error_code Errno() { return {errno, std::generic_category()}; }

std::size_t Chunk(std::size_t size) {
  return std::min<std::size_t>(size, std::numeric_limits<ssize_t>::max());
}

}  // namespace

IoResult FileCalls::ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                           std::uint64_t offset) {
  const ssize_t got = ::pread(handle, buffer.data(), Chunk(buffer.size()),
                              static_cast<off_t>(offset));
  if (got < 0) return {0, Errno()};
  return {static_cast<std::size_t>(got), {}};
}

IoResult FileCalls::WriteAt(NativeHandle handle,
                            std::span<const std::uint8_t> data,
                            std::uint64_t offset) {
  const ssize_t put = ::pwrite(handle, data.data(), Chunk(data.size()),
                               static_cast<off_t>(offset));
  if (put < 0) return {0, Errno()};
  return {static_cast<std::size_t>(put), {}};
}

std::error_code FileCalls::Sync(NativeHandle handle) {
#ifdef F_FULLFSYNC
  // On macOS only F_FULLFSYNC reaches the storage; some file systems refuse
  // it, and fsync is then the best there is.
  if (::fcntl(handle, F_FULLFSYNC) == 0) return {};
  if (errno != ENOTSUP && errno != EINVAL) return Errno();
#endif
  return ::fsync(handle) == 0 ? std::error_code{} : Errno();
}

std::error_code RomFile::Open(const std::filesystem::path& path,
                              Access access) {
  if (is_open()) Close();
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; on a
  // regular file it changes nothing.
  const int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) |
                    O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int handle = -1;
  do {
    handle = ::open(path.c_str(), flags);
  } while (handle < 0 && errno == EINTR);
  if (handle < 0) return Errno();
  handle_ = handle;
  return {};
}

bool RomFile::is_open() const { return handle_ >= 0; }

std::error_code RomFile::Stat(FileInfo& info) const {
  struct stat data {};
  if (::fstat(handle_, &data) != 0) return Errno();
  info.regular = S_ISREG(data.st_mode);
  info.size = info.regular ? static_cast<std::uint64_t>(data.st_size) : 0;
  return {};
}

std::error_code RomFile::TryLockExclusive() {
  int result = 0;
  do {
    result = ::flock(handle_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? std::error_code{} : Errno();
}

std::error_code RomFile::Close() {
  if (!is_open()) return {};
  const int handle = handle_;
  handle_ = -1;
  // The descriptor is gone whatever close reports; never retry it.
  return ::close(handle) == 0 ? std::error_code{} : Errno();
}

#endif

RomFile::~RomFile() { Close(); }

std::error_code RomFile::ReadAt(std::uint64_t offset,
                                std::span<std::uint8_t> buffer,
                                std::size_t& got) {
  got = 0;
  while (got < buffer.size()) {
    const IoResult result =
        calls_.ReadAt(handle_, buffer.subspan(got), offset + got);
    if (result.error) {
      if (IsInterrupted(result.error)) continue;
      return result.error;
    }
    if (result.bytes == 0) break;  // end of file
    got += result.bytes;
  }
  return {};
}

std::error_code RomFile::WriteAt(std::uint64_t offset,
                                 std::span<const std::uint8_t> data) {
  std::size_t put = 0;
  while (put < data.size()) {
    const IoResult result =
        calls_.WriteAt(handle_, data.subspan(put), offset + put);
    if (result.error) {
      if (IsInterrupted(result.error)) continue;
      return result.error;
    }
    // A write that moves nothing will not move anything next time either.
    if (result.bytes == 0) return std::make_error_code(std::errc::io_error);
    put += result.bytes;
  }
  return {};
}

std::error_code RomFile::Sync() {
  std::error_code error;
  do {
    error = calls_.Sync(handle_);
  } while (IsInterrupted(error));
  return error;
}

}  // namespace qorvane
