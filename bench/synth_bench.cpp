// Solver and encoder timings: the cost of one keystroke in a frequency field.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "synth/exact_solver.h"
#include "synth/number_text.h"
#include "synth/register_set.h"
#include "synth/solve_mode.h"
#include "synth/solver.h"

namespace {

using korvane::Band;
using korvane::ChipType;
using korvane::PowerLevel;
using korvane::SolveMode;

// A spread over band 0 (35 to 4400 MHz), mostly landing on inexact fractions, as a user types it.
std::vector<std::string> SpreadTexts() {
  std::vector<std::string> texts;
  for (double f = 35.0; f < 4400.0; f += 43.7) texts.push_back(korvane::FormatFixed(f, 6));
  return texts;
}

const korvane::ExactReference kTenMhz{*korvane::ReadExactDecimal("10"), 2};

void BM_SolveSpread(benchmark::State& state) {
  const ChipType chip = static_cast<ChipType>(state.range(0));
  std::vector<double> frequencies;
  for (const std::string& text : SpreadTexts()) frequencies.push_back(*korvane::ReadDouble(text));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::SolvePll(chip, Band::Out1, frequencies[i], 10.0));
    i = (i + 1) % frequencies.size();
  }
}
BENCHMARK(BM_SolveSpread)->Arg(0)->Arg(1)->Arg(2);

// The same frequencies through the exact solver, read beforehand as SolvePll's doubles are.
void BM_SolveSpreadExact(benchmark::State& state) {
  const ChipType chip = static_cast<ChipType>(state.range(0));
  std::vector<korvane::ExactFrequency> frequencies;
  for (const std::string& text : SpreadTexts()) frequencies.push_back({*korvane::ReadExactDecimal(text)});
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::SolvePllExact(chip, Band::Out1, frequencies[i], kTenMhz));
    i = (i + 1) % frequencies.size();
  }
}
BENCHMARK(BM_SolveSpreadExact)->Arg(0)->Arg(1)->Arg(2);

// An integer ratio stops the classic search at once (5760 MHz is 576 x 10 MHz).
void BM_SolveIntegerRatio(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(korvane::SolvePll(ChipType::Max2871, Band::Out1, 5760.0, 10.0));
}
BENCHMARK(BM_SolveIntegerRatio);

// No fraction is hit exactly: all 4094 denominators are tried (1296 MHz, 145.2 MHz).
void BM_SolveFullSearch(benchmark::State& state) {
  const ChipType chip = static_cast<ChipType>(state.range(0));
  const double f = chip == ChipType::Max2871 ? 1296.0 : 145.2;
  for (auto _ : state) benchmark::DoNotOptimize(korvane::SolvePll(chip, Band::Out1, f, 10.0));
}
BENCHMARK(BM_SolveFullSearch)->Arg(0)->Arg(1)->Arg(2);

// The exact solver on the same two frequencies (both come out exact: 2/5 and 8/25).
void BM_SolveFullSearchExact(benchmark::State& state) {
  const ChipType chip = static_cast<ChipType>(state.range(0));
  const korvane::ExactFrequency f{*korvane::ReadExactDecimal(chip == ChipType::Max2871 ? "1296" : "145.2")};
  for (auto _ : state) benchmark::DoNotOptimize(korvane::SolvePllExact(chip, Band::Out1, f, kTenMhz));
}
BENCHMARK(BM_SolveFullSearchExact)->Arg(0)->Arg(1)->Arg(2);

// The exact solver's longest road: nine decimals leave a large denominator and a long continued fraction.
void BM_SolveExactManyDigits(benchmark::State& state) {
  const korvane::ExactFrequency f{*korvane::ReadExactDecimal("1296.123456789")};
  const korvane::ExactReference ref{*korvane::ReadExactDecimal("26.000001"), 5};
  for (auto _ : state) benchmark::DoNotOptimize(korvane::SolvePllExact(ChipType::Max2871, Band::Out1, f, ref));
}
BENCHMARK(BM_SolveExactManyDigits);

// Reading a typed frequency: the double SolvePll takes, and the exact digits.
void BM_ReadDouble(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(korvane::ReadDouble("1296.123456"));
}
BENCHMARK(BM_ReadDouble);

void BM_ReadExactDecimal(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(korvane::ReadExactDecimal("1296.123456"));
}
BENCHMARK(BM_ReadExactDecimal);

// Text to solution and error in hertz, as a label and its tooltip need them; arg 0 classic, 1 exact.
void BM_SolveSlot(benchmark::State& state) {
  const SolveMode mode = state.range(0) ? SolveMode::Exact : SolveMode::Classic;
  const korvane::SolveReference ref{"10", 2, 10.0};
  const std::vector<std::string> texts = SpreadTexts();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::SolveSlot(mode, ChipType::Max2871, Band::Out1, texts[i], ref));
    i = (i + 1) % texts.size();
  }
}
BENCHMARK(BM_SolveSlot)->Arg(0)->Arg(1);

void BM_BuildSlotCommand(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        korvane::BuildSlotCommand(0, ChipType::Max2871, "10368", Band::Out2, PowerLevel::Minus1, 2, 10.0));
  }
}
BENCHMARK(BM_BuildSlotCommand);

void BM_BuildSlotCommandExact(benchmark::State& state) {
  const korvane::SolveReference ref{"10", 2, 10.0};
  for (auto _ : state) {
    benchmark::DoNotOptimize(korvane::BuildSlotCommand(SolveMode::Exact, 0, ChipType::Max2871, "10368", Band::Out2,
                                                       PowerLevel::Minus1, ref));
  }
}
BENCHMARK(BM_BuildSlotCommandExact);

// A save to flash: five slots.
void BM_BuildFiveSlots(benchmark::State& state) {
  const char* texts[] = {"10368", "5760", "1296", "432", "144"};
  for (auto _ : state) {
    for (int slot = 0; slot < 5; ++slot) {
      benchmark::DoNotOptimize(korvane::BuildSlotCommand(
          slot, ChipType::Max2871, texts[slot], slot == 0 ? Band::Out2 : Band::Out1, PowerLevel::Minus4, 2, 10.0));
    }
  }
}
BENCHMARK(BM_BuildFiveSlots);

void BM_BuildFiveSlotsExact(benchmark::State& state) {
  const char* texts[] = {"10368", "5760", "1296", "432", "144"};
  const korvane::SolveReference ref{"10", 2, 10.0};
  for (auto _ : state) {
    for (int slot = 0; slot < 5; ++slot) {
      benchmark::DoNotOptimize(korvane::BuildSlotCommand(SolveMode::Exact, slot, ChipType::Max2871, texts[slot],
                                                         slot == 0 ? Band::Out2 : Band::Out1, PowerLevel::Minus4, ref));
    }
  }
}
BENCHMARK(BM_BuildFiveSlotsExact);

}  // namespace

BENCHMARK_MAIN();
