#include "cli/windows_console.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "text/text.h"

namespace qorvane::cli {
namespace {

constexpr std::size_t kChunk = 1 << 16;

// Where the last UTF-8 sequence that `text` holds whole ends.
std::size_t WholeSequences(const std::string& text) {
  std::size_t end = text.size();
  for (std::size_t back = 1; back <= std::min<std::size_t>(3, end); ++back) {
    const auto byte = static_cast<unsigned char>(text[end - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
    const std::size_t length = byte >= 0xF0   ? 4
                               : byte >= 0xE0 ? 3
                               : byte >= 0xC0 ? 2
                                              : 1;
    return length > back ? end - back : end;
  }
  return end;
}

// Hands `data` to `write` in chunks until all of it is taken; false when a
// call fails or takes nothing.
template <typename Char, typename Write>
bool WriteChunks(const Char* data, std::size_t left, Write write) {
  while (left > 0) {
    DWORD put = 0;
    if (!write(data, static_cast<DWORD>(std::min(left, kChunk)), &put) ||
        put == 0) {
      return false;
    }
    data += put;
    left -= put;
  }
  return true;
}

bool WriteAll(HANDLE handle, const char* data, std::size_t size) {
  return WriteChunks(data, size, [&](const char* at, DWORD n, DWORD* put) {
    return ::WriteFile(handle, at, n, put, nullptr);
  });
}

bool WriteConsoleAll(HANDLE handle, const std::string& utf8) {
  if (utf8.empty()) return true;
  const std::wstring wide = Utf8ToUtf16(utf8);
  if (wide.empty()) return false;
  return WriteChunks(wide.data(), wide.size(),
                     [&](const wchar_t* at, DWORD n, DWORD* put) {
                       return ::WriteConsoleW(handle, at, n, put, nullptr);
                     });
}

std::atomic<bool> interrupted{false};

BOOL WINAPI NoteCtrl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  interrupted = true;
  return TRUE;
}

}  // namespace

ConsoleCtrlHold::ConsoleCtrlHold() { ::SetConsoleCtrlHandler(NoteCtrl, TRUE); }

ConsoleCtrlHold::~ConsoleCtrlHold() {
  ::SetConsoleCtrlHandler(NoteCtrl, FALSE);
  if (interrupted.exchange(false)) ::ExitProcess(STATUS_CONTROL_C_EXIT);
}

HandleStreamBuf::HandleStreamBuf(void* handle) : handle_(handle) {
  DWORD mode = 0;
  console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
             ::GetConsoleMode(handle_, &mode);
}

HandleStreamBuf::~HandleStreamBuf() { Flush(); }

HandleStreamBuf::int_type HandleStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  pending_.push_back(traits_type::to_char_type(c));
  if (pending_.size() >= kChunk && !Flush()) return traits_type::eof();
  return c;
}

std::streamsize HandleStreamBuf::xsputn(const char* data,
                                        std::streamsize size) {
  pending_.append(data, static_cast<std::size_t>(size));
  if (pending_.size() >= kChunk && !Flush()) return 0;
  return size;
}

int HandleStreamBuf::sync() { return Flush() ? 0 : -1; }

bool HandleStreamBuf::Flush() {
  const std::size_t whole = WholeSequences(pending_);
  if (whole == 0) return true;
  const bool written = console_
                           ? WriteConsoleAll(handle_, pending_.substr(0, whole))
                           : WriteAll(handle_, pending_.data(), whole);
  pending_.erase(0, whole);
  return written;
}

}  // namespace qorvane::cli
