#include "tools/rom_image.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>

namespace qorvane::images {
namespace {

void Require(bool ok, const std::string& what,
             const std::filesystem::path& path) {
  if (!ok) throw std::runtime_error(what + ": " + path.string());
}

// The fill byte at `offset` of a Fill::Pattern image.
std::uint8_t PatternByte(std::uint64_t offset) {
  return static_cast<std::uint8_t>((offset % 251) * 7 + 3);
}

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  Require(out.good(), "cannot create", path);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  Require(!out.fail(), "cannot write", path);
}

}  // namespace

RomImageBuilder& RomImageBuilder::Size(std::uint64_t size) {
  size_ = size;
  return *this;
}

RomImageBuilder& RomImageBuilder::WithFill(Fill fill) {
  fill_ = fill;
  return *this;
}

RomImageBuilder& RomImageBuilder::Edition(RomEdition edition) {
  if (IsConvertible(edition)) {
    // An enhanced edition's signature heads all its runs.
    const SignatureBytes& head = edition == RomEdition::Simplified
                                     ? kSimplifiedSignature
                                     : kTraditionalSignature;
    for (const PatchSite& site : kPatchSites) {
      const PatchRun run = RunFor(site, head);
      overlay_[site.offset] = Bytes(run.begin(), run.end());
    }
  } else if (edition == RomEdition::NotEnhanced) {
    overlay_[SignatureOffset] =
        Bytes(kNotEnhancedSignature.begin(), kNotEnhancedSignature.end());
  }
  return *this;
}

RomImageBuilder& RomImageBuilder::Put(std::uint64_t offset,
                                      const Bytes& bytes) {
  overlay_[offset] = bytes;
  return *this;
}

Bytes RomImageBuilder::Build() const {
  Bytes image(size_);
  if (fill_ == Fill::Pattern) {
    for (std::uint64_t i = 0; i < size_; ++i) image[i] = PatternByte(i);
  }
  for (const auto& [offset, bytes] : overlay_) {
    for (std::size_t i = 0; i < bytes.size() && offset + i < size_; ++i) {
      image[offset + i] = bytes[i];
    }
  }
  return image;
}

void RomImageBuilder::WriteTo(const std::filesystem::path& path) const {
  if (fill_ == Fill::Pattern) {
    WriteFileBytes(path, Build());
    return;
  }
  // Zero fill: set the length, then write only the overlay, so a large
  // image costs no disk space.
  WriteFileBytes(path, {});
  std::filesystem::resize_file(path, size_);
  std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
  Require(out.good(), "cannot open", path);
  for (const auto& [offset, bytes] : overlay_) {
    if (offset >= size_) continue;
    const std::uint64_t count =
        std::min<std::uint64_t>(bytes.size(), size_ - offset);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(count));
  }
  out.close();
  Require(!out.fail(), "cannot write", path);
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  Require(in.good(), "cannot open", path);
  Bytes bytes(std::filesystem::file_size(path));
  in.read(reinterpret_cast<char*>(bytes.data()),
          static_cast<std::streamsize>(bytes.size()));
  Require(in.gcount() == static_cast<std::streamsize>(bytes.size()),
          "cannot read", path);
  return bytes;
}

}  // namespace qorvane::images
