// Fuzzes the reader of typed register sets: what it takes is exactly one set, read as a board's
// reply of the same text is read, written back unchanged, and decoded to a finite frequency
// for every reference the chips accept.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "synth/chip.h"
#include "synth/register_set.h"
#include "synth/solver.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<korvane::RegisterSet> set = korvane::ReadRegisterSetText(text);
  if (!set) return 0;

  Check(set->slot >= 0 && set->slot <= 4);
  const std::string written = korvane::FormatRegisterSet(*set);
  std::optional<korvane::RegisterSet> again = korvane::ReadRegisterSetText(written);
  Check(again && again->slot == set->slot && again->words == set->words);
  // With at most eight digits a word, the board-reply reader (which keeps the low 32 bits of
  // any number) reads the same words from the same text.
  const size_t start = text.find_first_not_of(" \t\n\v\f\r");
  Check(korvane::ParseRegisterReply(std::string_view(text).substr(start)) == set->words);
  Check(!korvane::ReadRegisterSetText(text + " 7"));

  for (korvane::ChipType chip : korvane::kChipTypes) {
    for (int sSuffix : {0, 1}) {
      korvane::DecodedSet decoded = korvane::DecodeRegisterSet(chip, set->words, sSuffix);
      // The readout shows a level the decoded output offers.
      Check(korvane::PowerListIndex(chip, decoded.band, decoded.power) >= 0);
      if (decoded.off || decoded.refDivisor <= 0) continue;
      for (double reference : {korvane::MinReference(chip), korvane::MaxReference(chip)}) {
        const double pfd = 2.0 * reference / decoded.refDivisor;
        const double frequency = korvane::AchievedFrequency(decoded.solution, decoded.band, pfd);
        Check(std::isfinite(frequency) && frequency >= 0.0);
      }
    }
  }
  return 0;
}
