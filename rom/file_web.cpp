// The browser backend of rom_file.h, over the page's File and
// FileSystemFileHandle objects: its calls are in file_web.js, which keeps
// the files the user picked and answers each call with a number. A
// negative one is a failure: minus the code of the DOMException, which this
// file's table of reasons turns into a code of the browser's file category,
// with the reason in Chinese. How reads, writes and the sync go is told in
// file_web.js.

#include <algorithm>
#include <array>
#include <string>

#include "rom/rom_file.h"
#include "rom/web_error.h"
#include "text/text.h"

// file_web.js's calls.
extern "C" {
int qorvane_async_rom_open(const char* path, int write);
int qorvane_async_rom_read(int handle, unsigned char* buffer, int length,
                           double offset);
int qorvane_async_rom_write(int handle, const unsigned char* data, int length,
                            double offset);
int qorvane_async_rom_sync(int handle);
int qorvane_async_rom_close(int handle);
}

namespace qorvane {
namespace {

// The reasons, indexed by code - 1 (the codes of file_web.js's
// RomFiles.codes); the last row stands for any other failure.
constexpr std::array<const char*, 11> kReasons{
    // A file call's NotFoundError is reported in the engine's words for a
    // missing file (default_error_condition maps it there): this reason
    // shows only where the page tells a failure itself (the picker).
    "文件不存在，可能已被删除、移动或改名",  // NotFoundError
    "浏览器没有获准访问此文件",              // NotAllowedError
    "浏览器出于安全原因拒绝访问此文件",      // SecurityError
    "此文件不能修改，它可能是只读的，或正被另一个标签页写入",  // NoModificationAllowedError
    "无法读取文件，它在选定之后可能已被修改或移走",  // NotReadableError
    "存储空间不足",                                  // QuotaExceededError
    "文件在操作中途发生了变化，操作无法完成",        // InvalidStateError
    "浏览器不允许对此文件做这项修改",                // InvalidModificationError
    "选定的不是一个文件",                            // TypeMismatchError
    "操作被中止",                                    // AbortError
    "浏览器无法完成此文件操作",                      // any other
};

class BrowserFileCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "browser-file"; }
  std::string message(int value) const override {
    const auto index = static_cast<std::size_t>(value - 1);
    return index < kReasons.size() ? kReasons[index] : kReasons.back();
  }
  // A vanished file is what the engine knows as no such file.
  std::error_condition default_error_condition(
      int value) const noexcept override {
    if (value == 1) return std::errc::no_such_file_or_directory;
    return {value, *this};
  }
};

}  // namespace

std::error_code BrowserError(int code) {
  static const BrowserFileCategory category;
  return {code, category};
}

namespace {

int Handle(NativeHandle handle) { return static_cast<int>(handle); }

// A read or write of `size` bytes as one call takes: at most 1 GiB, so
// that the count fits the int it returns.
int Chunk(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, 1 << 30));
}

// A call's answer: a count, or minus the code of its failure.
IoResult Counted(int count) {
  if (count < 0) return {0, BrowserError(-count)};
  return {static_cast<std::size_t>(count), {}};
}
std::error_code Status(int result) {
  return result < 0 ? BrowserError(-result) : std::error_code{};
}

}  // namespace

IoResult FileCalls::ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                           std::uint64_t offset) {
  return Counted(qorvane_async_rom_read(Handle(handle), buffer.data(),
                                        Chunk(buffer.size()),
                                        static_cast<double>(offset)));
}

IoResult FileCalls::WriteAt(NativeHandle handle,
                            std::span<const std::uint8_t> data,
                            std::uint64_t offset) {
  return Counted(qorvane_async_rom_write(Handle(handle), data.data(),
                                         Chunk(data.size()),
                                         static_cast<double>(offset)));
}

std::error_code FileCalls::Sync(NativeHandle handle) {
  return Status(qorvane_async_rom_sync(Handle(handle)));
}

std::error_code FileCalls::Close(NativeHandle handle) {
  return Status(qorvane_async_rom_close(Handle(handle)));
}

std::error_code FileCalls::Open(const std::filesystem::path& path,
                                Access access, NativeHandle& handle) {
  const int opened = qorvane_async_rom_open(
      PathToUtf8(path).c_str(), access == Access::ReadWrite ? 1 : 0);
  if (opened < 0) return BrowserError(-opened);
  handle = opened;
  return {};
}

// A browser file has no advisory locks; the writable stream is the page's
// own, and its commit replaces the file whole.
std::error_code FileCalls::Lock(NativeHandle /*handle*/) { return {}; }

std::string FileCalls::ErrorWords(std::error_code code) {
  return code.message();
}

// A page has no signals that end it, and its one thread runs each step to
// its end: there is nothing to hold off.
void FileCalls::HoldSignals(bool /*hold*/) {}

}  // namespace qorvane
