// The Windows backend of rom_file.h.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <limits>

#include "rom/rom_file.h"
#include "text/text.h"

namespace qorvane {
namespace {

std::error_code LastError() {
  return {static_cast<int>(::GetLastError()), std::system_category()};
}

HANDLE Handle(NativeHandle handle) { return reinterpret_cast<HANDLE>(handle); }

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

IoResult FileCalls::ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                           std::uint64_t offset) {
  OVERLAPPED overlapped = At(offset);
  DWORD got = 0;
  if (!::ReadFile(Handle(handle), buffer.data(), Chunk(buffer.size()), &got,
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
  if (!::WriteFile(Handle(handle), data.data(), Chunk(data.size()), &put,
                   &overlapped)) {
    return {0, LastError()};
  }
  return {put, {}};
}

std::error_code FileCalls::Sync(NativeHandle handle) {
  return ::FlushFileBuffers(Handle(handle)) ? std::error_code{} : LastError();
}

std::error_code FileCalls::Close(NativeHandle handle) {
  OVERLAPPED whole{};
  // Fails when there is no lock, which is fine.
  ::UnlockFileEx(Handle(handle), 0, MAXDWORD, MAXDWORD, &whole);
  return ::CloseHandle(Handle(handle)) ? std::error_code{} : LastError();
}

std::error_code FileCalls::Open(const std::filesystem::path& path,
                                Access access, NativeHandle& handle) {
  // A conversion keeps other programs from writing the file meanwhile; an
  // inspection stands in nobody's way. Backup semantics let a folder open
  // too, so that it is told apart below like a device.
  const bool write = access == Access::ReadWrite;
  const DWORD share =
      write ? FILE_SHARE_READ
            : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = ::CreateFileW(
      SystemPath(path).c_str(),
      write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, share, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS,
      nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION data{};
  std::error_code error;
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    error = RomRefusal::NotRegularFile;
  } else if (!::GetFileInformationByHandle(file, &data)) {
    error = LastError();
  } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    error = RomRefusal::NotRegularFile;
  }
  if (error) ::CloseHandle(file);
  handle = reinterpret_cast<NativeHandle>(file);  // taken only with no error
  return error;
}

std::error_code FileCalls::Lock(NativeHandle handle) {
  OVERLAPPED whole{};
  return ::LockFileEx(Handle(handle),
                      LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                      MAXDWORD, MAXDWORD, &whole)
             ? std::error_code{}
             : LastError();
}

// The system's own words, in Simplified Chinese where Windows has them.
std::string FileCalls::ErrorWords(std::error_code code) {
  if (code.category() != std::system_category()) return code.message();
  std::wstring words(1024, L'\0');  // more than any system message
  DWORD length = 0;
  constexpr DWORD kChinese =
      MAKELANGID(LANG_CHINESE_SIMPLIFIED, SUBLANG_CHINESE_SIMPLIFIED);
  for (const DWORD language : {kChinese, DWORD{0}}) {  // 0: the system's
    length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code.value()), language, words.data(),
        static_cast<DWORD>(words.size()), nullptr);
    if (length != 0) break;
  }
  words.resize(length);
  while (!words.empty() && (std::iswspace(words.back()) ||
                            words.back() == L'.' || words.back() == L'。')) {
    words.pop_back();
  }
  return words.empty() ? "未知的系统错误" : Utf16ToUtf8(words);
}

// A console's Ctrl-C is the command line's to hold (cli/windows_console.h).
void FileCalls::HoldSignals(bool /*hold*/) {}

}  // namespace qorvane
