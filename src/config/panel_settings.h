// Every setting of the control panel as one value: what a board holds, what a configuration
// file keeps, and what the window shows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "synth/chip.h"
#include "synth/solve_mode.h"

namespace korvane {

inline constexpr int kSlotCount = 5;
inline constexpr int kSigGenSlot = 4;

struct SlotSettings {
  std::string frequency = "180.000";  // as typed, in MHz
  Band band = kBandOut1;              // band-list selection
  int power = 0;                      // power-list selection in that band's list
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
  int pinFunction = 0;  // 0 "Freq. code", 1 "CW keying"
  std::string speed = "10";
  std::string text;
};

}  // namespace korvane
