// What a board and its chip offer, in one place: what the board's identity allows, the chip
// choice of the window, the command line and the instrument, and the output a frequency takes.
#pragma once

#include <optional>
#include <string_view>

#include "link/board_link.h"
#include "synth/chip.h"

namespace korvane::session {

// Whether a connect can find the board's chip by probing it, and why not.
enum class Identification { Possible, HwTooOld, FwTooOld };

// What a board offers, as its identity tells. Callers ask these; nothing else reads version numbers.
struct BoardCapabilities {
  bool secondOutput = false;  // OUT2 5..12GHz: the boards whose banner carries the "s"
  bool extReference = false;  // an external reference can be chosen (hardware 2 and later)
  // The reference command carries the reference's source ("E" or a blank): every board but hardware 1.
  bool referenceSource = false;
  bool lockQuery = false;  // the firmware answers the lock query (hardware 4, hardware 3 from firmware 3.01)
  Identification identification = Identification::HwTooOld;  // possible exactly with the lock query
  bool fixedProbeReference = false;  // identification sets its own reference first (hardware 4 and later)
  bool firmwareInfo = false;         // the firmware states its version and serial number (hardware 3 and later)
  bool firmwareUpdate = false;       // the firmware enters its bootloader on request (hardware 3 and later)
};
BoardCapabilities CapabilitiesOf(const link::BoardIdentity& identity);

// The chip list's entries, in their order: "Auto" probes the board, the others name the chip.
enum class ChipChoice { Auto = 0, Adf4350 = 1, Adf4351 = 2, Max2871 = 3 };
inline constexpr ChipChoice kChipChoices[] = {ChipChoice::Auto, ChipChoice::Adf4350, ChipChoice::Adf4351,
                                              ChipChoice::Max2871};
// "Auto", "ADF4350", "ADF4351", "MAX2871".
std::string_view ChipChoiceLabel(ChipChoice choice);
// "auto" or a chip's name, in any case; nullopt for anything else.
std::optional<ChipChoice> ChipChoiceFromName(std::string_view name);
// The chip a choice names; nullopt for Auto.
std::optional<ChipType> ChosenChip(ChipChoice choice);
ChipChoice ChoiceOf(ChipType chip);

// Which output a frequency goes out on: Auto takes OUT1 while the frequency is in its band.
enum class OutputChoice { Auto, Out1, Out2 };

// The output that makes mhz under the choice, on a board with or without the second output;
// nullopt when none of the outputs allowed makes it.
std::optional<Band> OutputFor(ChipType chip, bool secondOutput, double mhz, OutputChoice choice = OutputChoice::Auto);
// Before a connect: whether a board the chip choice allows (with both outputs) makes mhz under
// the output choice.
bool AnyBoardMakes(ChipChoice chip, OutputChoice output, double mhz);

}  // namespace korvane::session
