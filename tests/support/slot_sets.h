// What the signal-generator slot sets a virtual board received make: frequency, output and
// power read back from the register words, independently of how they were built.
#pragma once

#include <string>
#include <vector>

#include "support/virtual_board.h"
#include "synth/chip.h"

namespace korvane::test {

struct SlotSet {
  double hz = 0.0;
  Band band = Band::Out1;
  PowerLevel power = PowerLevel::Off;
};

// Decodes a slot command ("4 XXXXXXXX ... ;") as a board with the second output reads it (the
// virtual board's MAX2871 unless told).
SlotSet DecodeSlotSet(const std::string& command, double referenceMhz = 10.0, ChipType chip = ChipType::Max2871);

// The slot-4 sets in the board's log, in order.
std::vector<std::string> SlotSets(const VirtualBoard& board);

}  // namespace korvane::test
