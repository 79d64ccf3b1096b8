// The six register words of one slot: encoding, text form and decoding.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "synth/chip.h"
#include "synth/solver.h"

namespace korvane {

struct RegisterSet {
  int slot = 0;  // the board's slot digit as the wire carries it (0..9); see Slot for the five it has
  std::array<uint32_t, 6> words{};  // R0..R5
};

// "%d %08X %08X %08X %08X %08X %08X;"
std::string FormatRegisterSet(const RegisterSet& set);

// Reads a slot reply as a board sends it: the first character (the slot digit) is dropped
// and the rest is read with " %X %X %X %X %X %X;". Fewer than six numbers gives nullopt.
std::optional<std::array<uint32_t, 6>> ParseRegisterReply(std::string_view reply);

// Reads a register set as a user types or pastes it, and only when the text is exactly one:
// blanks around it, the slot digit 0..4, six words of one to eight hexadecimal digits (an
// "0x" before a word is allowed), each after at least one blank, and an optional ";" at the
// end. A ninth digit, a missing or seventh word, or any other text is no set: unlike a
// board's reply, a typed word is never cut to its last eight digits.
std::optional<RegisterSet> ReadRegisterSetText(std::string_view text);

RegisterSet EncodeRegisterWords(int slot, ChipType chip, int32_t refDivisor, double pfd, const PllSolution& solution,
                                PowerLevel level, Band band);
// The same words with the MAX2871's band-select divider given, for a caller that knows the comparison
// frequency exactly rather than as a double.
RegisterSet EncodeRegisterWordsWithDivider(int slot, ChipType chip, int32_t refDivisor, int32_t bandSelectDivider,
                                           const PllSolution& solution, PowerLevel level, Band band);
// The MAX2871's band-select divider: the comparison frequency in 50 kHz steps, truncated.
int32_t BandSelectDivider(double pfd);
// The command text of EncodeRegisterWords.
std::string EncodeRegisterSet(int slot, ChipType chip, int32_t refDivisor, double pfd, const PllSolution& solution,
                              PowerLevel level, Band band);

// A slot's frequency in MHz before anything is typed or read, and what a frequency text that is
// no number is sent as.
inline constexpr char kDefaultFrequencyText[] = "180.000";
// The frequency text read "%lf"; the default frequency when it is no number.
double FrequencyOrDefault(std::string_view frequencyText);

// Frequency text read as FrequencyOrDefault reads it, solved and encoded. A power level the output
// does not offer goes out as FitPowerLevel makes it.
RegisterSet BuildSlotWords(int slot, ChipType chip, std::string_view frequencyText, Band band, PowerLevel power,
                           int32_t refDivisor, double pfd);
// The command text of BuildSlotWords.
std::string BuildSlotCommand(int slot, ChipType chip, std::string_view frequencyText, Band band, PowerLevel power,
                             int32_t refDivisor, double pfd);

struct DecodedSet {
  bool off = true;  // R0 == 0: output off, OUT1, no frequency
  Band band = Band::Out1;
  PllSolution solution;                // INT, FRAC, MOD, divExp
  PowerLevel power = PowerLevel::Off;  // a level the decoded output offers
  int32_t refDivisor = 0;
};

// Reads the words as the chip's fields lie; the output is read only from a board with the second
// output, else it is OUT1.
DecodedSet DecodeRegisterSet(ChipType chip, const std::array<uint32_t, 6>& words, bool secondOutput);

}  // namespace korvane
