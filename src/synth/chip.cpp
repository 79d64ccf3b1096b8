// Chip model: chip types, output bands, power levels, band limits and the reference rule.
#include "synth/chip.h"

#include <cmath>
#include <limits>

#include "synth/chip_facts.h"
#include "synth/number_text.h"

namespace korvane {

namespace {

constexpr std::string_view kBandLabels[] = {"OUT1 <6GHz", "OUT2 5..12GHz"};
constexpr std::string_view kPowerLabels[] = {"Off", "-4dBm", "-1dBm", "+2dBm", "+5dBm"};

// A Band made by a cast from a number other than 0 or 1 is no output.
bool IsBand(Band band) { return band == Band::Out1 || band == Band::Out2; }

}  // namespace

std::string_view ChipName(ChipType chip) { return Facts(chip).name; }

std::optional<ChipType> ChipFromName(std::string_view name) {
  for (ChipType chip : kChipTypes) {
    std::string_view known = ChipName(chip);
    if (known.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size(); ++i) {
      char a = name[i];
      if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
      same = same && a == known[i];
    }
    if (same) return chip;
  }
  return std::nullopt;
}

std::string_view BandLabel(Band band) { return kBandLabels[band == Band::Out2 ? 1 : 0]; }

std::string_view PowerLabel(PowerLevel level) {
  const int value = static_cast<int>(level);
  return value >= 0 && value <= 4 ? kPowerLabels[value] : kPowerLabels[0];
}

std::optional<int> PowerLevelDbm(PowerLevel level) {
  switch (level) {
    case PowerLevel::Minus4:
      return -4;
    case PowerLevel::Minus1:
      return -1;
    case PowerLevel::Plus2:
      return 2;
    case PowerLevel::Plus5:
      return 5;
    case PowerLevel::Off:
      break;
  }
  return std::nullopt;
}

std::optional<BandLimits> GetBandLimits(ChipType chip, Band band) {
  if (!IsBand(band)) return std::nullopt;
  return Facts(chip).bandLimits[static_cast<size_t>(band)];
}

int IsInBand(ChipType chip, Band band, double frequency) {
  std::optional<BandLimits> r = GetBandLimits(chip, band);
  // Written so that NaN compares false and lands outside.
  return (r && frequency >= r->low && frequency <= r->high) ? 1 : 0;
}

double MinReference(ChipType chip) { return Facts(chip).minReference; }

double MaxReference(ChipType chip) { return Facts(chip).maxReference; }

void AcceptReference(std::string_view referenceText, ChipType chip, int32_t& refDivisor, double& pfd) {
  std::optional<double> reference = ReadDouble(referenceText);
  if (!reference || *reference < MinReference(chip) || *reference > MaxReference(chip)) {
    refDivisor = 0;
    return;
  }
  // 5 <= reference <= 250, so the divisor is 1..50 and the comparison frequency lies in [10, 20).
  refDivisor = SaturateToInt32(*reference / 5.0);
  pfd = *reference * 2.0 / refDivisor;
}

std::span<const PowerLevel> PowerLevels(ChipType chip, Band band) {
  if (!IsBand(band)) return {};
  return Facts(chip).powerLevels[static_cast<size_t>(band)];
}

PowerLevel FitPowerLevel(ChipType chip, Band band, PowerLevel level) {
  if (level == PowerLevel::Off || PowerListIndex(chip, band, level) >= 0) return level;
  return NearestPowerLevel(chip, band, *PowerLevelDbm(level));
}

PowerLevel NearestPowerLevel(ChipType chip, Band band, double dbm) {
  std::optional<PowerLevel> best;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (PowerLevel level : PowerLevels(chip, band)) {
    const std::optional<int> levelDbm = PowerLevelDbm(level);
    if (!levelDbm) continue;
    if (!best) best = level;  // a dBm of NaN is nearest to none: the lowest level
    const double distance = std::fabs(*levelDbm - dbm);
    // Strictly nearer only: the list runs from low to high, so a tie keeps the lower level.
    if (distance < bestDistance) {
      best = level;
      bestDistance = distance;
    }
  }
  return best.value_or(PowerLevel::Off);
}

int PowerListIndex(ChipType chip, Band band, PowerLevel level) {
  const std::span<const PowerLevel> levels = PowerLevels(chip, band);
  for (size_t i = 0; i < levels.size(); ++i) {
    if (levels[i] == level) return static_cast<int>(i);
  }
  return -1;
}

std::optional<PowerLevel> PowerLevelAt(ChipType chip, Band band, int index) {
  const std::span<const PowerLevel> levels = PowerLevels(chip, band);
  if (index < 0 || static_cast<size_t>(index) >= levels.size()) return std::nullopt;
  return levels[static_cast<size_t>(index)];
}

}  // namespace korvane
