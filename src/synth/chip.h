// Chip model: chip types, output bands, power levels, band limits and the reference rule.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace korvane {

enum class ChipType : int { Adf4350 = 0, Adf4351 = 1, Max2871 = 2 };
inline constexpr ChipType kChipTypes[] = {ChipType::Adf4350, ChipType::Adf4351, ChipType::Max2871};

// The chip's two outputs: the main output and the auxiliary one, whose frequency is doubled.
// "OUT1 <6GHz", "OUT2 5..12GHz"; the values are the band list's entries and a file's "Band" keys.
enum class Band : int { Out1 = 0, Out2 = 1 };
inline constexpr Band kBands[] = {Band::Out1, Band::Out2};

// An output's power: "Off", "-4dBm", "-1dBm", "+2dBm", "+5dBm". The chip's 2-bit power code of a
// level that is not Off is its value - 1.
enum class PowerLevel : int { Off = 0, Minus4 = 1, Minus1 = 2, Plus2 = 3, Plus5 = 4 };

// "ADF4350", "ADF4351", "MAX2871".
std::string_view ChipName(ChipType chip);
// "adf4350", "ADF4351", ... in any case; nullopt for anything else.
std::optional<ChipType> ChipFromName(std::string_view name);

std::string_view BandLabel(Band band);
std::string_view PowerLabel(PowerLevel level);

// The output power of a level in dBm (-4, -1, +2, +5); Off has none.
std::optional<int> PowerLevelDbm(PowerLevel level);

// The frequencies in MHz a chip makes on an output band; nullopt for a band it does not have.
struct BandLimits {
  double low;
  double high;
};
std::optional<BandLimits> GetBandLimits(ChipType chip, Band band);

// 1 when low <= f <= high for the chip and band, else 0 (NaN gives 0).
int IsInBand(ChipType chip, Band band, double frequency);

// The reference frequencies in MHz a chip's panel accepts: MinReference to MaxReference.
double MinReference(ChipType chip);
double MaxReference(ChipType chip);

// Reads the reference text ("%lf" manner) and sets refDivisor and, when valid, pfd.
// An invalid reference sets refDivisor to 0 and leaves pfd untouched.
void AcceptReference(std::string_view referenceText, ChipType chip, int32_t& refDivisor, double& pfd);

// The power levels an output offers, in the order its list shows them (chip_facts.cpp holds them).
std::span<const PowerLevel> PowerLevels(ChipType chip, Band band);

// The level a slot keeps when its output changes to `band`: the same level when the output offers it,
// else the nearest level it offers (Off stays Off). With the outputs as they are: a level other than
// Off becomes "-1dBm" on OUT2, and OUT2's "-1dBm" stays "-1dBm" on OUT1.
PowerLevel FitPowerLevel(ChipType chip, Band band, PowerLevel level);

// The level the output offers that comes nearest to `dbm`, never Off; of two levels equally near,
// the lower one.
PowerLevel NearestPowerLevel(ChipType chip, Band band, double dbm);

// For the file format and the view only: a level's position in the output's list (-1 when the
// output does not offer it), and the level at a position (nullopt outside the list).
int PowerListIndex(ChipType chip, Band band, PowerLevel level);
std::optional<PowerLevel> PowerLevelAt(ChipType chip, Band band, int index);

}  // namespace korvane
