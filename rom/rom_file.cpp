#include "rom/rom_file.h"

namespace qorvane {

FileCalls& FileCalls::System() {
  static FileCalls calls;
  return calls;
}

RomFile::RomFile(const std::filesystem::path& path, Access access,
                 FileCalls& calls)
    : path_(path), calls_(calls) {
  if (const auto error = calls_.Open(path_, access, handle_)) {
    throw RomError(RomOperation::Open, path_, error);
  }
  open_ = true;
}

RomFile::~RomFile() {
  if (open_) calls_.Close(handle_);  // only on a path that already failed
}

void RomFile::LockExclusive() {
  if (const auto error = calls_.Lock(handle_)) {
    throw RomError(RomOperation::Lock, path_, error);
  }
}

std::size_t RomFile::ReadAt(std::uint64_t offset,
                            std::span<std::uint8_t> buffer) {
  std::size_t got = 0;
  while (got < buffer.size()) {
    const IoResult result =
        calls_.ReadAt(handle_, buffer.subspan(got), offset + got);
    if (result.error) throw RomError(RomOperation::Read, path_, result.error);
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
    if (result.error) return result.error;
    // A write that moves nothing is no progress, and may never make any.
    if (result.bytes == 0) return std::make_error_code(std::errc::io_error);
    put += result.bytes;
  }
  return {};
}

void RomFile::Close(FileOutcome outcome) {
  open_ = false;
  if (const std::error_code error = calls_.Close(handle_)) {
    throw RomError(RomOperation::Close, path_, error, outcome);
  }
}

}  // namespace qorvane
