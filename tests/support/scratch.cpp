#include "tests/support/scratch.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <system_error>

namespace qorvane::testing {

Scratch::Scratch() {
  static std::atomic<unsigned> counter{0};
  const auto stamp =
      std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = std::filesystem::temp_directory_path() /
            ("qorvane-test-" + std::to_string(stamp) + "-" +
             std::to_string(counter++));
    std::error_code error;
    if (std::filesystem::create_directory(path_, error)) return;
  }
  throw std::runtime_error("cannot create a temporary directory");
}

Scratch::~Scratch() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path Scratch::MakeRom(RomEdition edition, std::uint64_t size) {
  auto path = path_ / ("rom-" + std::to_string(roms_++) + ".gba");
  RomImageBuilder().Size(size).Edition(edition).WriteTo(path);
  return path;
}

}  // namespace qorvane::testing
