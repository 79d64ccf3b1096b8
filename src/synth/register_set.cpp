// The six register words of one slot: encoding, text form and decoding.
#include "synth/register_set.h"

#include <cctype>

#include "synth/number_text.h"

namespace korvane {

namespace {

uint32_t Bits(int32_t value, uint32_t mask, int shift) { return (static_cast<uint32_t>(value) & mask) << shift; }

constexpr int kMaxWordDigits = 8;

// The white space "%X" skips in the C locale.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::string FormatRegisterSet(const RegisterSet& set) {
  std::string text = std::to_string(set.slot);
  for (uint32_t word : set.words) {
    text.push_back(' ');
    text += FormatHex(word, 8);
  }
  text.push_back(';');
  return text;
}

std::optional<std::array<uint32_t, 6>> ParseRegisterReply(std::string_view reply) {
  if (reply.empty()) return std::nullopt;
  std::string_view rest = reply.substr(1);  // the slot digit is not compared with the slot asked for
  std::array<uint32_t, 6> words{};
  for (uint32_t& word : words) {
    size_t used = 0;
    std::optional<uint32_t> value = ReadHex(rest, &used);
    if (!value) return std::nullopt;
    word = *value;
    rest.remove_prefix(used);
  }
  return words;
}

int32_t BandSelectDivider(double pfd) { return SaturateToInt32(pfd / 0.05); }

std::optional<RegisterSet> ReadRegisterSetText(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos >= text.size() || text[pos] < '0' || text[pos] > '4') return std::nullopt;
  RegisterSet set;
  set.slot = text[pos++] - '0';
  for (uint32_t& word : set.words) {
    // Without a blank the digits of two fields would run together.
    if (pos >= text.size() || !IsBlank(text[pos])) return std::nullopt;
    size_t used = 0;
    std::optional<uint32_t> value = ReadHex(text.substr(pos), &used, kMaxWordDigits);
    if (!value) return std::nullopt;
    pos += used;
    if (pos < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos]))) return std::nullopt;
    word = *value;
  }
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos < text.size() && text[pos] == ';') ++pos;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos != text.size()) return std::nullopt;
  return set;
}

RegisterSet EncodeRegisterWords(int slot, ChipType chip, int32_t refDivisor, double pfd, const PllSolution& solution,
                                PowerLevel level, Band band) {
  return EncodeRegisterWordsWithDivider(slot, chip, refDivisor, BandSelectDivider(pfd), solution, level, band);
}

RegisterSet EncodeRegisterWordsWithDivider(int slot, ChipType chip, int32_t refDivisor, int32_t bandSelectDivider,
                                           const PllSolution& solution, PowerLevel level, Band band) {
  const bool max2871 = chip == ChipType::Max2871;
  const bool fractional = solution.FRAC > 0;
  const bool on = level > 0;
  const uint32_t powerCode = on ? static_cast<uint32_t>(level - 1) & 3u : 0u;
  RegisterSet set;
  set.slot = slot;
  auto& r = set.words;

  // An R0 of 0 is how a stored slot says its output is off.
  if (on) {
    r[0] = Bits(solution.INT, 0xFFFF, 15) | Bits(solution.FRAC, 0xFFF, 3);
    if (max2871 && solution.FRAC == 0) r[0] |= 1u << 31;  // integer mode
  }

  r[1] = (1u << 15) | Bits(solution.MOD, 0xFFF, 3);
  if (max2871) {
    if (fractional) r[1] |= 1u << 29;
  } else {
    r[1] |= 1u << 27;  // prescaler 8/9
  }

  // Odd R: doubler on and R in the counter; even R: doubler off and R / 2. Both compare at 2 * ref / R.
  if (refDivisor % 2 != 0) {
    r[2] = 0x1A003EC0u | Bits(refDivisor, 0x3FF, 14);
  } else {
    r[2] = 0x18003EC0u | Bits(refDivisor / 2, 0x3FF, 14);
  }
  if (fractional) r[2] |= 0x100u;

  r[3] = max2871 ? 0x01000000u : 0u;

  if (max2871) {
    const int32_t bs = bandSelectDivider;
    r[4] = Bits(bs >> 8, 3, 24) | (1u << 23) | Bits(bs, 0xFF, 12);
  } else {
    r[4] = (1u << 23) | (120u << 12);
  }
  r[4] |= Bits(solution.divExp, 7, 20);
  if (on) {
    if (band == kBandOut2) {
      r[4] |= (1u << 8) | (powerCode << 6);
    } else {
      r[4] |= (1u << 5) | (powerCode << 3);
    }
  }

  r[5] = max2871 ? 0x60400000u : 0x00400000u;
  return set;
}

std::string EncodeRegisterSet(int slot, ChipType chip, int32_t refDivisor, double pfd, const PllSolution& solution,
                              PowerLevel level, Band band) {
  return FormatRegisterSet(EncodeRegisterWords(slot, chip, refDivisor, pfd, solution, level, band));
}

std::string BuildSlotCommand(int slot, ChipType chip, std::string_view frequencyText, int bandSelection,
                             int powerSelection, int32_t refDivisor, double pfd) {
  Band band = bandSelection;
  PowerLevel level = ListIndexToPowerLevel(band, powerSelection);
  double frequency = ReadDouble(frequencyText).value_or(180.0);
  PllSolution solution = SolvePll(chip, band, frequency, pfd);
  return EncodeRegisterSet(slot, chip, refDivisor, pfd, solution, level, band);
}

DecodedSet DecodeRegisterSet(const std::array<uint32_t, 6>& words, int sSuffix) {
  DecodedSet decoded;
  const uint32_t r0 = words[0], r1 = words[1], r2 = words[2], r4 = words[4];
  // The reference divisor lives in R2 whether or not the output is on.
  int32_t counter = static_cast<int32_t>((r2 >> 14) & 0x3FF);
  decoded.refDivisor = (r2 & (1u << 25)) ? counter : 2 * counter;
  decoded.off = r0 == 0;
  if (decoded.off) {
    decoded.band = kBandOut1;
    decoded.powerIndex = 0;
    return decoded;
  }
  decoded.band = sSuffix ? static_cast<Band>((r4 >> 8) & 1) : kBandOut1;
  decoded.solution.INT = static_cast<int32_t>((r0 >> 15) & 0xFFFF);
  decoded.solution.FRAC = static_cast<int32_t>((r0 >> 3) & 0xFFF);
  decoded.solution.MOD = static_cast<int32_t>((r1 >> 3) & 0xFFF);
  decoded.solution.divExp = static_cast<int32_t>((r4 >> 20) & 7);
  // Band 1 offers only "Off" and "-1dBm"; its stored power bits are not shown.
  decoded.powerIndex = decoded.band == kBandOut2 ? 1 : static_cast<int>((r4 >> 3) & 3) + 1;
  return decoded;
}

}  // namespace korvane
