// Inspection and conversion cost the same on a 1 MiB image and on a sparse
// image of several GiB: neither reads the file whole.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "rom/rom_engine.h"
#include "tests/support/scratch.h"
#include "tools/rom_image.h"

namespace {

using qorvane::RomEdition;

std::filesystem::path MakeImage(const qorvane::testing::Scratch& dir,
                                std::uint64_t size) {
  auto path = dir / "bench.gba";
  qorvane::images::RomImageBuilder()
      .Size(size)
      .WithFill(size > (64u << 20) ? qorvane::images::Fill::Zero
                                   : qorvane::images::Fill::Pattern)
      .Edition(RomEdition::Simplified)
      .WriteTo(path);
  return path;
}

void BM_InspectRom(benchmark::State& state) {
  const qorvane::testing::Scratch dir;
  const auto path = MakeImage(dir, static_cast<std::uint64_t>(state.range(0)));
  qorvane::SignatureBytes signature{};
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    benchmark::DoNotOptimize(qorvane::InspectRom(path, signature));
  }
}

void BM_ConvertRom(benchmark::State& state) {
  const qorvane::testing::Scratch dir;
  const auto path = MakeImage(dir, static_cast<std::uint64_t>(state.range(0)));
  int target = 2;
  for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores)
    qorvane::ConvertRom(path, target);
    target = 3 - target;
  }
}

constexpr std::int64_t kSmall = std::int64_t{1} << 20;  // 1 MiB
constexpr std::int64_t kLarge = std::int64_t{4} << 30;  // 4 GiB, sparse

BENCHMARK(BM_InspectRom)->Arg(kSmall)->Arg(kLarge);
BENCHMARK(BM_ConvertRom)
    ->Arg(kSmall)
    ->Arg(kLarge)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
