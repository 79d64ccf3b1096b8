#include "support/slot_sets.h"

#include "synth/register_set.h"

namespace korvane::test {

SlotSet DecodeSlotSet(const std::string& command, double referenceMhz, ChipType chip) {
  const auto words = ParseRegisterReply(command);
  if (!words) return {};
  const DecodedSet decoded = DecodeRegisterSet(chip, *words, 1);
  if (decoded.refDivisor <= 0) return {};
  const double pfd = referenceMhz * 2.0 / decoded.refDivisor;
  return {AchievedFrequency(decoded.solution, decoded.band, pfd) * 1e6, decoded.band, decoded.power};
}

std::vector<std::string> SlotSets(const VirtualBoard& board) {
  std::vector<std::string> sets;
  for (const std::string& command : board.Log()) {
    if (command.rfind("4 ", 0) == 0) sets.push_back(command);
  }
  return sets;
}

}  // namespace korvane::test
