#include "panel/register_text.h"

#include <cstdio>

#include "session/board_session.h"
#include "synth/chip_facts.h"
#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane::panel {

namespace {

std::string SlotName(int slot) { return slot == kSigGenSlot ? "Signal generator" : "F" + std::to_string(slot + 1); }

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

std::string RegisterText(const PanelSettings& settings, int slot) {
  const SlotSettings& s = settings.freqSlots[static_cast<size_t>(slot)];
  std::string text = SlotName(slot) + ": " + s.frequency + " MHz, " + std::string(BandLabel(s.band)) + ", " +
                     std::string(PowerLabel(s.power)) + "\n";
  const std::optional<SlotSolution> solved = session::SolveSlot(settings, slot);
  if (!solved) {
    return text + (settings.refDivisor <= 0 ? "No register words: the reference frequency is not valid.\n"
                                            : "No register words: the frequency is not a number.\n");
  }
  const std::optional<RegisterSet> set = ReadRegisterSetText(session::SlotCommand(settings, slot));
  if (!set) return text + "No register words.\n";
  for (int r = 0; r < 6; ++r) {
    text += (r == 0 ? "" : "  ") + std::string("R") + std::to_string(r) + " " +
            FormatHex(set->words[static_cast<size_t>(r)], 8);
  }
  text += "\n\nReal frequency " + FormatFixed(solved->achieved, 6) + " MHz, PFD " + FormatFixed(settings.pfd, 6) +
          " MHz, output divider " + std::to_string(1 << solved->solution.divExp) + "\n\n";
  for (const RegisterField& field : Facts(settings.chip).fields) {
    const uint32_t mask = field.width >= 32 ? 0xFFFFFFFFu : (1u << field.width) - 1u;
    const uint32_t value = (set->words[static_cast<size_t>(field.reg)] >> field.lowBit) & mask;
    const int high = field.lowBit + field.width - 1;
    const std::string bits = field.width == 1 ? "DB" + std::to_string(field.lowBit)
                                              : "DB" + std::to_string(high) + ":" + std::to_string(field.lowBit);
    text += "R" + std::to_string(field.reg) + "  " + Padded(std::string(field.name), 26) + Padded(bits, 9) +
            std::to_string(value) + "\n";
  }
  return text;
}

}  // namespace korvane::panel
