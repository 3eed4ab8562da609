// The browser backend of rom_file.h, over the page's File and
// FileSystemFileHandle objects. The page puts each file the user picks in
// `Module.romFiles`, a Map from the name the engine is given to
// {file: File} or {handle: FileSystemFileHandle}; a handle is one the page
// may ask to write.
//
// Reads take exactly the bytes asked for, through Blob.slice of the file as
// it was when opened. A file opened for writing through a handle is written
// in place: its writable stream (a swap copy the browser keeps until
// close() commits it) takes each write at its position; the stream's
// close() is the sync, and abort() on any failure leaves the file as it was.
// A file with no handle (a browser without the File System Access API) is
// never changed: its writes are kept, and the sync downloads a copy under
// the file's own name, built as a Blob of slices of the original and the
// written runs, with no copy of the whole file in memory. Either way the
// engine reads only before it writes.
//
// After an aborted stream the file holds its old bytes again, so writing
// back bytes just as they were read from there (the engine's restore)
// succeeds without touching the file; any other write then fails.
//
// Every call runs to its end under Asyncify; a failure comes back as the
// DOMException's name, which one table below turns into a code of the
// browser's file category, with the reason in Chinese.

#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rom/rom_file.h"
#include "rom/web_error.h"
#include "text/text.h"

namespace qorvane {
namespace {

struct BrowserError {
  std::string_view name;  // the DOMException's
  const char* reason;
};

// Indexed by code value - 1; the last row stands for any other name.
constexpr std::array<BrowserError, 11> kBrowserErrors{{
    // A file call's NotFoundError is reported in the engine's words for a
    // missing file (default_error_condition maps it there): this reason
    // shows only where the page tells a failure itself (the picker).
    {"NotFoundError", "文件不存在，可能已被删除、移动或改名"},
    {"NotAllowedError", "浏览器没有获准访问此文件"},
    {"SecurityError", "浏览器出于安全原因拒绝访问此文件"},
    {"NoModificationAllowedError",
     "此文件不能修改，它可能是只读的，或正被另一个标签页写入"},
    {"NotReadableError", "无法读取文件，它在选定之后可能已被修改或移走"},
    {"QuotaExceededError", "存储空间不足"},
    {"InvalidStateError", "文件在操作中途发生了变化，操作无法完成"},
    {"InvalidModificationError", "浏览器不允许对此文件做这项修改"},
    {"TypeMismatchError", "选定的不是一个文件"},
    {"AbortError", "操作被中止"},
    {"", "浏览器无法完成此文件操作"},
}};

class BrowserFileCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "browser-file"; }
  std::string message(int value) const override {
    const auto index = static_cast<std::size_t>(value - 1);
    return index < kBrowserErrors.size() ? kBrowserErrors[index].reason
                                         : kBrowserErrors.back().reason;
  }
  // A vanished file is what the engine knows as no such file.
  std::error_condition default_error_condition(
      int value) const noexcept override {
    if (value == 1) return std::errc::no_such_file_or_directory;
    return {value, *this};
  }
};

const std::error_category& BrowserFileErrors() {
  static const BrowserFileCategory category;
  return category;
}

std::error_code CodeFor(std::string_view name) {
  std::size_t index = 0;
  while (index + 1 < kBrowserErrors.size() &&
         kBrowserErrors[index].name != name) {
    ++index;
  }
  return {static_cast<int>(index + 1), BrowserFileErrors()};
}

// The page-side halves, in JavaScript (clang-format would break it). Each
// catches every failure, keeping it in Module.romError: a rejected promise
// would never wake the caller.
// clang-format off

// The name of the failure the last call below reported (by returning a
// negative number), as a UTF-8 string to free; null if it found no memory.
EM_JS(char*, TakeBrowserError, (), {
  const error = Module.romError;
  Module.romError = null;
  return allocateUTF8(String((error && error.name) || "Error"));
});

// Opens the picked file `path` names: returns a handle (> 0), or -1.
// `write`: the caller means to write.
EM_ASYNC_JS(int, OpenBrowserFile, (const char* path, int write), {
  try {
    const files = Module.romFiles || new Map();
    const entry = files.get(UTF8ToString(path));
    if (!entry) throw new DOMException("", "NotFoundError");
    const open = {
      handle: null, file: null, writable: null, runs: null, aborted: false,
      seen: [],
      // After a failed write or commit: the stream aborted, the kept runs
      // dropped; from then on only the engine's restore may write.
      async abort() {
        if (this.writable) await this.writable.abort().catch(() => {});
        this.writable = null;
        this.runs = this.runs && [];
        this.aborted = true;
      },
    };
    if (entry.handle) {
      open.file = await entry.handle.getFile();
      if (write && entry.handle.createWritable) {
        const mode = { mode: "readwrite" };
        if ((await entry.handle.queryPermission(mode)) !== "granted" &&
            (await entry.handle.requestPermission(mode)) !== "granted") {
          throw new DOMException("", "NotAllowedError");
        }
        open.handle = entry.handle;
      }
    } else {
      open.file = entry.file;
    }
    if (write && !open.handle) open.runs = [];
    Module.romOpen = Module.romOpen || new Map();
    Module.romNext = (Module.romNext || 0) + 1;
    Module.romOpen.set(Module.romNext, open);
    return Module.romNext;
  } catch (error) {
    Module.romError = error;
    return -1;
  }
});

// Reads up to `length` bytes at `offset` into `buffer`: the count, or -1.
EM_ASYNC_JS(int, ReadBrowserFile,
            (int handle, unsigned char* buffer, int length, double offset), {
  try {
    const open = Module.romOpen.get(handle);
    const part = open.file.slice(offset, offset + length);
    const bytes = new Uint8Array(await part.arrayBuffer());
    open.seen.push({ offset: offset, bytes: bytes });
    HEAPU8.set(bytes, buffer);
    return bytes.length;
  } catch (error) {
    Module.romError = error;
    return -1;
  }
});

// Writes `length` bytes at `offset`: the count, or -1. A failed write
// aborts the stream.
EM_ASYNC_JS(int, WriteBrowserFile,
            (int handle, const unsigned char* data, int length, double offset), {
  let open = null;
  try {
    open = Module.romOpen.get(handle);
    const bytes = HEAPU8.slice(data, data + length);
    if (open.aborted) {
      const same = seen => seen.offset === offset &&
          seen.bytes.length === length &&
          seen.bytes.every((byte, i) => byte === bytes[i]);
      if (!open.seen.some(same)) throw new DOMException("", "InvalidStateError");
    } else if (open.runs) {
      open.runs.push({ offset: offset, bytes: bytes });
    } else {
      if (!open.writable) {
        open.writable =
            await open.handle.createWritable({ keepExistingData: true });
      }
      await open.writable.write({ type: "write", position: offset,
                                  data: bytes });
    }
    return length;
  } catch (error) {
    Module.romError = error;
    if (open) await open.abort();
    return -1;
  }
});

// Commits what was written: closes the stream, or downloads the converted
// copy. 0, or -1.
EM_ASYNC_JS(int, SyncBrowserFile, (int handle), {
  let open = null;
  try {
    open = Module.romOpen.get(handle);
    if (open.writable) {
      const writable = open.writable;
      open.writable = null;
      await writable.close();
    } else if (open.runs && open.runs.length) {
      const runs = open.runs.slice().sort((a, b) => a.offset - b.offset);
      const parts = [];
      let at = 0;
      for (const run of runs) {
        if (run.offset < at || run.offset + run.bytes.length > open.file.size) {
          throw new DOMException("", "InvalidStateError");
        }
        parts.push(open.file.slice(at, run.offset), run.bytes);
        at = run.offset + run.bytes.length;
      }
      parts.push(open.file.slice(at));
      const copy = new Blob(parts, { type: "application/octet-stream" });
      const link = document.createElement("a");
      link.href = URL.createObjectURL(copy);
      link.download = open.file.name;
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 60000);
      open.runs = [];
    }
    return 0;
  } catch (error) {
    Module.romError = error;
    if (open) await open.abort();
    return -1;
  }
});

// Forgets the handle; a stream never committed is aborted. 0, or -1.
EM_ASYNC_JS(int, CloseBrowserFile, (int handle), {
  try {
    const open = Module.romOpen.get(handle);
    Module.romOpen.delete(handle);
    if (open.writable) await open.writable.abort();
    return 0;
  } catch (error) {
    Module.romError = error;
    return -1;
  }
});

// clang-format on

int Handle(NativeHandle handle) { return static_cast<int>(handle); }

// A read or write of `size` bytes as one call takes: at most 1 GiB, so
// that the count fits the int it returns.
int Chunk(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, 1 << 30));
}

// A call's result: a count, or (negative) the failure it reported.
IoResult Counted(int count) {
  if (count < 0) return {0, LastBrowserError()};
  return {static_cast<std::size_t>(count), {}};
}
std::error_code Status(int result) {
  return result < 0 ? LastBrowserError() : std::error_code{};
}

}  // namespace

std::error_code LastBrowserError() {
  char* name = TakeBrowserError();
  const std::error_code code = CodeFor(name != nullptr ? name : "");
  std::free(name);
  return code;
}

IoResult FileCalls::ReadAt(NativeHandle handle, std::span<std::uint8_t> buffer,
                           std::uint64_t offset) {
  return Counted(ReadBrowserFile(Handle(handle), buffer.data(),
                                 Chunk(buffer.size()),
                                 static_cast<double>(offset)));
}

IoResult FileCalls::WriteAt(NativeHandle handle,
                            std::span<const std::uint8_t> data,
                            std::uint64_t offset) {
  return Counted(WriteBrowserFile(Handle(handle), data.data(),
                                  Chunk(data.size()),
                                  static_cast<double>(offset)));
}

std::error_code FileCalls::Sync(NativeHandle handle) {
  return Status(SyncBrowserFile(Handle(handle)));
}

std::error_code FileCalls::Close(NativeHandle handle) {
  return Status(CloseBrowserFile(Handle(handle)));
}

std::error_code FileCalls::Open(const std::filesystem::path& path,
                                Access access, NativeHandle& handle) {
  const int opened = OpenBrowserFile(PathToUtf8(path).c_str(),
                                     access == Access::ReadWrite ? 1 : 0);
  if (opened < 0) return LastBrowserError();
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
