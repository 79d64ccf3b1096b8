// Every setting of the control panel as one value: what a board holds, what a configuration
// file keeps, and what the window shows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "synth/chip.h"
#include "synth/field_overrides.h"
#include "synth/frequency_plan.h"
#include "synth/register_set.h"
#include "synth/solve_mode.h"

namespace korvane {

// The board's five register sets: F1 to F4, then the signal generator, the slot that the window's
// generator row, a sweep, `tune` and the instrument retune. Slot numbers are the board's digits.
enum class Slot : int { F1 = 0, F2 = 1, F3 = 2, F4 = 3, SigGen = 4 };
inline constexpr int kSlotCount = 5;
inline constexpr int SlotNumber(Slot slot) { return static_cast<int>(slot); }
inline constexpr std::array<Slot, kSlotCount> kAllSlots{Slot::F1, Slot::F2, Slot::F3, Slot::F4, Slot::SigGen};
inline constexpr std::array<Slot, 4> kPresetSlots{Slot::F1, Slot::F2, Slot::F3, Slot::F4};
// The slot of a board digit or list position 0..4.
inline constexpr Slot SlotAt(int number) { return kAllSlots.at(static_cast<size_t>(number)); }
// "F1".."F4", "SigGen": the names files and the CLI's texts give the slots.
inline constexpr std::string_view SlotName(Slot slot) {
  constexpr std::array<std::string_view, kSlotCount> kNames{"F1", "F2", "F3", "F4", "SigGen"};
  return kNames[static_cast<size_t>(SlotNumber(slot))];
}

// The words a board held for a slot when it was read, with the settings the panel showed for
// them: while those are unchanged, nobody has touched the slot and it goes back exactly as read.
struct BoardSlot {
  RegisterWords words{};
  ChipType chip = ChipType::Max2871;
  std::string reference;
  bool exact = false;
  std::string frequency;
  Band band = Band::Out1;
  PowerLevel power = PowerLevel::Off;
};

struct SlotSettings {
  std::string frequency = kDefaultFrequencyText;  // as typed, in MHz
  Band band = Band::Out1;
  PowerLevel power = PowerLevel::Off;  // a level the output offers
  // Expert settings the user set: fields of the chip sent with other values than Korvane's.
  FieldOverrides overrides;
  // With a plan, `frequency` is still the output the board makes; the user sees the RF it serves.
  FrequencyPlan plan;
  // What the board held for the slot; its values stay board values (see PlanSlot).
  std::optional<BoardSlot> board;
};

// What outputs 1 & 2 do while the beacon runs: "Freq. code", "CW keying".
enum class PinFunction : int { FreqCode = 0, CwKeying = 1 };

inline std::string_view PinFunctionLabel(PinFunction function) {
  return function == PinFunction::CwKeying ? "CW keying" : "Freq. code";
}

// A keying speed as a board holds it: its code ("S %04X;") and the words per minute shown for it.
struct BoardSpeed {
  uint32_t code = 0;
  std::string shown;
};

struct PanelSettings {
  ChipType chip = ChipType::Max2871;
  std::string reference = "10.000";  // as typed, in MHz
  bool extReference = false;
  bool exact = false;  // solve with the exact search instead of the classic one
  // Derived from the reference (or from a board's stored divider); refDivisor 0: no valid
  // reference, nothing can be solved.
  int32_t refDivisor = 0;
  double pfd = 10.0;
  std::array<SlotSettings, kSlotCount> freqSlots;  // F1..F4, then the signal generator
  bool beacon = false;
  bool scan = false;
  PinFunction pinFunction = PinFunction::FreqCode;
  std::string speed = "10";
  // The code read from the board with the speed text shown for it; a save with that text
  // unchanged gives the board its own code back instead of one converted from the rounded text.
  std::optional<BoardSpeed> boardSpeed;
  std::string text;

  SlotSettings& slot(Slot which) { return freqSlots[static_cast<size_t>(SlotNumber(which))]; }
  const SlotSettings& slot(Slot which) const { return freqSlots[static_cast<size_t>(SlotNumber(which))]; }
};

}  // namespace korvane
