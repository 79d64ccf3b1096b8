// Chip model: chip types, output bands, power levels, band limits and the reference rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

enum class ChipType : int { Adf4350 = 0, Adf4351 = 1, Max2871 = 2 };

// 0 "OUT1 <6GHz" (main output), 1 "OUT2 5..12GHz" (auxiliary output, doubled).
// Held as the band list's selection; anything but 1 behaves as the main output
// when computing, and anything but 0 counts as "not main" for the power list.
using Band = int;
inline constexpr Band kBandOut1 = 0;
inline constexpr Band kBandOut2 = 1;

// 0 "Off", 1 "-4dBm", 2 "-1dBm", 3 "+2dBm", 4 "+5dBm"; chip power code is level - 1.
using PowerLevel = int;

inline constexpr const char* kChipNames[] = {"ADF4350", "ADF4351", "MAX2871"};
inline constexpr const char* kBandLabels[] = {"OUT1 <6GHz", "OUT2 5..12GHz"};
inline constexpr const char* kPowerLabels[] = {"Off", "-4dBm", "-1dBm", "+2dBm", "+5dBm"};

// "adf4350", "ADF4351", ... in any case; nullopt for anything else.
std::optional<ChipType> ChipFromName(std::string_view name);

// The frequencies in MHz a chip makes on an output band; nullopt for a band it does not have.
struct BandLimits {
  double low;
  double high;
};
std::optional<BandLimits> GetBandLimits(ChipType chip, Band band);

// 1 when low <= f <= high for the chip and band, else 0 (NaN and unknown bands give 0).
int IsInBand(ChipType chip, Band band, double frequency);

// The reference frequencies in MHz a chip's panel accepts: kMinReference to MaxReference.
inline constexpr double kMinReference = 5.0;
double MaxReference(ChipType chip);

// Reads the reference text ("%lf" manner) and sets refDivisor and, when valid, pfd.
// An invalid reference sets refDivisor to 0 and leaves pfd untouched.
void AcceptReference(std::string_view referenceText, ChipType chip, int32_t& refDivisor, double& pfd);

// How many entries a band's power list has: the main output offers all five levels, the
// second output only "Off" and "-1dBm" (anything but the main output counts as the second).
int PowerEntries(Band band);

// The label of a power-list entry in a band's list; empty for an index the list lacks.
std::string PowerListLabel(Band band, int listIndex);

// Power-list selection to the level handed to the encoder. No selection (< 0) is "Off".
PowerLevel ListIndexToPowerLevel(Band band, int listIndex);

// Keeps a slot's power list in step with its band selection. Edits entries and selection
// in place as the window's list would be edited; returns true when anything changed.
bool FitPowerList(int bandSelection, std::vector<std::string>& entries, int& selection);

}  // namespace korvane
