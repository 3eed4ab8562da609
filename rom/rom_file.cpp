#include "rom/rom_file.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>
#include <stdexcept>

#include "rom/win32_text.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qorvane {

FileCalls& FileCalls::System() {
  static FileCalls calls;
  return calls;
}

#ifdef _WIN32

namespace {

int Length(std::size_t size) {
  if (size > INT_MAX) throw std::length_error("text too long");
  return static_cast<int>(size);
}

}  // namespace

std::wstring Utf8ToUtf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = Length(utf8.size());
  std::wstring wide(utf8.size(), L'\0');  // never more UTF-16 units
  wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(
      CP_UTF8, 0, utf8.data(), size, wide.data(), size)));
  return wide;
}

std::string Utf16ToUtf8(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = Length(utf16.size());
  std::string utf8(utf16.size() * 3, '\0');  // never more UTF-8 bytes
  utf8.resize(static_cast<std::size_t>(
      ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, utf8.data(),
                            Length(utf8.size()), nullptr, nullptr)));
  return utf8;
}

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

// `path` as the wide calls take it at any length: a full path of MAX_PATH
// characters or more gets the \\?\ prefix, so it works whether or not the
// system has long paths enabled for programs that ask for them.
std::wstring SystemPath(const std::filesystem::path& path) {
  const std::wstring& given = path.native();
  if (given.starts_with(LR"(\\?\)")) return given;
  std::wstring full(::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr), 0);
  full.resize(::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()),
                                 full.data(), nullptr));
  if (full.empty() || full.size() < MAX_PATH) return given;  // as it was
  if (full.starts_with(LR"(\\.\)")) return full;             // a device
  if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

}  // namespace

std::filesystem::file_type FileTypeOf(const std::filesystem::path& path,
                                      std::error_code& error) {
  error.clear();
  const DWORD attributes = ::GetFileAttributesW(SystemPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
      return std::filesystem::file_type::not_found;
    }
    error = LastError();
    return std::filesystem::file_type::none;
  }
  // A device such as NUL reads as a file here; RomFile::Stat tells.
  return attributes & FILE_ATTRIBUTE_DIRECTORY
             ? std::filesystem::file_type::directory
             : std::filesystem::file_type::regular;
}

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

std::error_code FileCalls::Close(NativeHandle handle) {
  OVERLAPPED whole{};
  ::UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &whole);  // fails if unlocked
  return ::CloseHandle(handle) ? std::error_code{} : LastError();
}

RomFile::RomFile(std::filesystem::path path, Access access, FileCalls& calls)
    : path_(std::move(path)), calls_(calls) {
  // A conversion keeps other programs from writing the file meanwhile; an
  // inspection stands in nobody's way.
  const bool write = access == Access::ReadWrite;
  const DWORD share =
      write ? FILE_SHARE_READ
            : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  handle_ =
      ::CreateFileW(SystemPath(path_).c_str(),
                    write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, share,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) Fail(RomOperation::Open, LastError());
  open_ = true;
}

RomFile::Info RomFile::Stat() const {
  const DWORD type = ::GetFileType(handle_);
  if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) {
    Fail(RomOperation::Read, LastError());
  }
  if (type != FILE_TYPE_DISK) return {};
  BY_HANDLE_FILE_INFORMATION data{};
  if (!::GetFileInformationByHandle(handle_, &data)) {
    Fail(RomOperation::Read, LastError());
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return {};
  return {true, (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                    data.nFileSizeLow};
}

void RomFile::LockExclusive() {
  // A device has no byte ranges to lock; Stat refuses it next.
  if (::GetFileType(handle_) != FILE_TYPE_DISK) return;
  OVERLAPPED whole{};
  if (!::LockFileEx(handle_,
                    LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                    MAXDWORD, MAXDWORD, &whole)) {
    Fail(RomOperation::Lock, LastError());
  }
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

std::error_code FileCalls::Close(NativeHandle handle) {
  // The descriptor, and its lock, are gone whatever close reports; never
  // retry it.
  return ::close(handle) == 0 ? std::error_code{} : Errno();
}

RomFile::RomFile(std::filesystem::path path, Access access, FileCalls& calls)
    : path_(std::move(path)), calls_(calls) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; on a
  // regular file it changes nothing.
  const int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) |
                    O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  do {
    handle_ = ::open(path_.c_str(), flags);
  } while (handle_ < 0 && errno == EINTR);
  if (handle_ < 0) Fail(RomOperation::Open, Errno());
  open_ = true;
}

RomFile::Info RomFile::Stat() const {
  struct stat data {};
  if (::fstat(handle_, &data) != 0) Fail(RomOperation::Read, Errno());
  if (!S_ISREG(data.st_mode)) return {};
  return {true, static_cast<std::uint64_t>(data.st_size)};
}

void RomFile::LockExclusive() {
  int result = 0;
  do {
    result = ::flock(handle_, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) Fail(RomOperation::Lock, Errno());
}

#endif

#ifndef _WIN32
std::filesystem::file_type FileTypeOf(const std::filesystem::path& path,
                                      std::error_code& error) {
  return std::filesystem::status(path, error).type();
}
#endif

RomFile::~RomFile() {
  if (open_) calls_.Close(handle_);  // only on a path that already failed
}

void RomFile::Fail(RomOperation operation, std::error_code code) const {
  throw RomError(operation, path_, code);
}

std::size_t RomFile::ReadAt(std::uint64_t offset,
                            std::span<std::uint8_t> buffer) {
  std::size_t got = 0;
  while (got < buffer.size()) {
    const IoResult result =
        calls_.ReadAt(handle_, buffer.subspan(got), offset + got);
    if (result.error == std::errc::interrupted) continue;
    if (result.error) Fail(RomOperation::Read, result.error);
    if (result.bytes == 0) break;  // end of file
    got += result.bytes;
  }
  return got;
}

std::error_code RomFile::TryWriteAt(
    std::uint64_t offset, std::span<const std::uint8_t> data) noexcept {
  std::size_t put = 0;
  while (put < data.size()) {
    const IoResult result =
        calls_.WriteAt(handle_, data.subspan(put), offset + put);
    if (result.error == std::errc::interrupted) continue;
    if (result.error) return result.error;
    // A write that moves nothing will not move anything next time either.
    if (result.bytes == 0) return std::make_error_code(std::errc::io_error);
    put += result.bytes;
  }
  return {};
}

std::error_code RomFile::TrySync() noexcept {
  std::error_code error;
  do {
    error = calls_.Sync(handle_);
  } while (error == std::errc::interrupted);
  return error;
}

void RomFile::Close(FileOutcome outcome) {
  open_ = false;
  // An interrupted close has still closed the handle, and lost nothing that
  // was synced before it.
  const std::error_code error = calls_.Close(handle_);
  if (error && error != std::errc::interrupted) {
    throw RomError(RomOperation::Close, path_, error, outcome);
  }
}

}  // namespace qorvane
