// Chip model: chip types, output bands, power levels, band limits and the reference rule.
#include "synth/chip.h"

#include <cmath>

#include "synth/number_text.h"

namespace korvane {

namespace {

struct Range {
  double low;
  double high;
};

// [chip][band]
constexpr Range kBandLimits[3][2] = {
    {{137.5, 4400.0}, {5000.0, 8800.0}},
    {{34.375, 4400.0}, {5000.0, 8800.0}},
    {{23.5, 6000.0}, {5000.0, 12000.0}},
};

}  // namespace

// The MAX2871's reference input takes less than the ADF435x's.
double MaxReference(ChipType chip) { return chip == ChipType::Max2871 ? 210.0 : 250.0; }

std::optional<ChipType> ChipFromName(std::string_view name) {
  for (int c = 0; c < 3; ++c) {
    std::string_view known = kChipNames[c];
    if (known.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size(); ++i) {
      char a = name[i];
      if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
      same = same && a == known[i];
    }
    if (same) return static_cast<ChipType>(c);
  }
  return std::nullopt;
}

std::optional<BandLimits> GetBandLimits(ChipType chip, Band band) {
  int c = static_cast<int>(chip);
  if (c < 0 || c > 2 || band < 0 || band > 1) return std::nullopt;
  const Range& r = kBandLimits[c][band];
  return BandLimits{r.low, r.high};
}

int IsInBand(ChipType chip, Band band, double frequency) {
  std::optional<BandLimits> r = GetBandLimits(chip, band);
  // Written so that NaN compares false and lands outside.
  return (r && frequency >= r->low && frequency <= r->high) ? 1 : 0;
}

void AcceptReference(std::string_view referenceText, ChipType chip, int32_t& refDivisor, double& pfd) {
  std::optional<double> reference = ReadDouble(referenceText);
  if (!reference || *reference < kMinReference || *reference > MaxReference(chip)) {
    refDivisor = 0;
    return;
  }
  // 5 <= reference <= 250, so the divisor is 1..50 and the comparison frequency lies in [10, 20).
  refDivisor = SaturateToInt32(*reference / 5.0);
  pfd = *reference * 2.0 / refDivisor;
}

int PowerEntries(Band band) { return band == kBandOut1 ? 5 : 2; }

std::string PowerListLabel(Band band, int listIndex) {
  if (listIndex < 0 || listIndex >= PowerEntries(band)) return {};
  return kPowerLabels[band == kBandOut1 || listIndex == 0 ? listIndex : 2];
}

PowerLevel ListIndexToPowerLevel(Band band, int listIndex) {
  if (listIndex < 0) return 0;  // no selection: keep the output off
  if (band == kBandOut2 && listIndex > 0) return 2;
  // The band-0 list has five entries; anything past them would not fit the chip's 2-bit code.
  return listIndex > 4 ? 4 : listIndex;
}

bool FitPowerList(int bandSelection, std::vector<std::string>& entries, int& selection) {
  if (bandSelection != kBandOut1 && entries.size() == 5) {
    int previous = selection;
    entries.erase(entries.begin() + 4);
    entries.erase(entries.begin() + 3);
    entries.erase(entries.begin() + 1);
    selection = previous > 0 ? 1 : 0;
    return true;
  }
  if (bandSelection == kBandOut1 && entries.size() == 2) {
    int previous = selection;
    entries.erase(entries.begin() + 1);
    for (int level = 1; level <= 4; ++level) entries.emplace_back(kPowerLabels[level]);
    selection = previous > 0 ? 2 : 0;
    return true;
  }
  return false;
}

}  // namespace korvane
