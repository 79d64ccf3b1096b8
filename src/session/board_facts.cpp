#include "session/board_facts.h"

namespace korvane::session {

BoardCapabilities CapabilitiesOf(const link::BoardIdentity& identity) {
  const int hw = identity.hwVersion;
  BoardCapabilities caps;
  caps.secondOutput = identity.sSuffix == 1;
  caps.extReference = hw > 1;
  caps.referenceSource = hw != 1;
  // Hardware 3 gained the lock query with firmware 3.01; firmware 3.00 states major version 0.
  caps.lockQuery = hw >= 4 || (hw == 3 && identity.fwMajor != 0);
  if (hw < 3) {
    caps.identification = Identification::HwTooOld;
  } else if (!caps.lockQuery) {
    caps.identification = Identification::FwTooOld;
  } else {
    caps.identification = Identification::Possible;
  }
  caps.fixedProbeReference = hw >= 4;
  caps.firmwareInfo = hw > 2;
  caps.firmwareUpdate = hw > 2;
  return caps;
}

std::string_view ChipChoiceLabel(ChipChoice choice) {
  const std::optional<ChipType> chip = ChosenChip(choice);
  return chip ? ChipName(*chip) : "Auto";
}

std::optional<ChipChoice> ChipChoiceFromName(std::string_view name) {
  if (const std::optional<ChipType> chip = ChipFromName(name)) return ChoiceOf(*chip);
  constexpr std::string_view kAuto = "auto";
  if (name.size() != kAuto.size()) return std::nullopt;
  for (size_t i = 0; i < name.size(); ++i) {
    if ((name[i] | 0x20) != kAuto[i]) return std::nullopt;
  }
  return ChipChoice::Auto;
}

std::optional<ChipType> ChosenChip(ChipChoice choice) {
  switch (choice) {
    case ChipChoice::Auto:
      return std::nullopt;
    case ChipChoice::Adf4350:
      return ChipType::Adf4350;
    case ChipChoice::Adf4351:
      return ChipType::Adf4351;
    case ChipChoice::Max2871:
      return ChipType::Max2871;
  }
  return std::nullopt;
}

ChipChoice ChoiceOf(ChipType chip) {
  switch (chip) {
    case ChipType::Adf4350:
      return ChipChoice::Adf4350;
    case ChipType::Adf4351:
      return ChipChoice::Adf4351;
    case ChipType::Max2871:
      break;
  }
  return ChipChoice::Max2871;
}

std::optional<Band> OutputFor(ChipType chip, bool secondOutput, double mhz, OutputChoice choice) {
  if (choice != OutputChoice::Out2 && IsInBand(chip, Band::Out1, mhz)) return Band::Out1;
  if (choice != OutputChoice::Out1 && secondOutput && IsInBand(chip, Band::Out2, mhz)) return Band::Out2;
  return std::nullopt;
}

bool AnyBoardMakes(ChipChoice choice, OutputChoice output, double mhz) {
  const std::optional<ChipType> named = ChosenChip(choice);
  for (ChipType chip : kChipTypes) {
    if (named && chip != *named) continue;
    if (OutputFor(chip, true, mhz, output)) return true;
  }
  return false;
}

}  // namespace korvane::session
