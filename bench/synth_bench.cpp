// Solver and encoder timings: the cost of one keystroke in a frequency field.
#include <benchmark/benchmark.h>

#include <vector>

#include "synth/register_set.h"
#include "synth/solver.h"

namespace {

using korvane::ChipType;

// A spread over each chip's band 0, mostly landing on inexact fractions.
void BM_SolveSpread(benchmark::State& state) {
  const ChipType chip = static_cast<ChipType>(state.range(0));
  std::vector<double> frequencies;
  for (double f = 35.0; f < 4400.0; f += 43.7) frequencies.push_back(f);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::SolvePll(chip, 0, frequencies[i], 10.0));
    i = (i + 1) % frequencies.size();
  }
}
BENCHMARK(BM_SolveSpread)->Arg(0)->Arg(1)->Arg(2);

// An exact ratio stops the search at once (5760 MHz is 576 x 10 MHz).
void BM_SolveExact(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(korvane::SolvePll(ChipType::Max2871, 0, 5760.0, 10.0));
}
BENCHMARK(BM_SolveExact);

// No fraction is hit exactly: all 4094 denominators are tried (1296 MHz, 145.2 MHz).
void BM_SolveFullSearch(benchmark::State& state) {
  const ChipType chip = static_cast<ChipType>(state.range(0));
  const double f = chip == ChipType::Max2871 ? 1296.0 : 145.2;
  for (auto _ : state) benchmark::DoNotOptimize(korvane::SolvePll(chip, 0, f, 10.0));
}
BENCHMARK(BM_SolveFullSearch)->Arg(0)->Arg(1)->Arg(2);

void BM_BuildSlotCommand(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::BuildSlotCommand(0, ChipType::Max2871, "10368", 1, 1, 2, 10.0));
  }
}
BENCHMARK(BM_BuildSlotCommand);

// A save to flash: five slots.
void BM_BuildFiveSlots(benchmark::State& state) {
  const char* texts[] = {"10368", "5760", "1296", "432", "144"};
  for (auto _ : state) {
    for (int slot = 0; slot < 5; ++slot) {
      benchmark::DoNotOptimize(
          korvane::BuildSlotCommand(slot, ChipType::Max2871, texts[slot], slot == 0 ? 1 : 0, 1, 2, 10.0));
    }
  }
}
BENCHMARK(BM_BuildFiveSlots);

}  // namespace

BENCHMARK_MAIN();
