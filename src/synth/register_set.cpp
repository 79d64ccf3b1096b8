// The six register words of one slot: encoding, text form and decoding.
#include "synth/register_set.h"

#include <cctype>

#include "synth/chip_facts.h"
#include "synth/number_text.h"

namespace korvane {

namespace {

uint32_t Mask(const RegisterField& f) { return f.width >= 32 ? ~0u : (1u << f.width) - 1u; }

// Sets a field the chip has to the value's low bits; a chip without the field has no such setting.
void Put(const ChipFacts& facts, Field field, int32_t value, std::array<uint32_t, 6>& words) {
  const RegisterField* f = facts.Find(field);
  if (!f) return;
  words[static_cast<size_t>(f->reg)] |= (static_cast<uint32_t>(value) & Mask(*f)) << f->lowBit;
}

// A field's value; 0 for a field the chip does not have.
int32_t Get(const ChipFacts& facts, Field field, const std::array<uint32_t, 6>& words) {
  const RegisterField* f = facts.Find(field);
  if (!f) return 0;
  return static_cast<int32_t>((words[static_cast<size_t>(f->reg)] >> f->lowBit) & Mask(*f));
}

constexpr int kMaxWordDigits = 8;

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
  const ChipFacts& facts = Facts(chip);
  const bool fractional = solution.FRAC > 0;
  const bool on = level != PowerLevel::Off;
  RegisterSet set;
  set.slot = slot;
  auto put = [&](Field field, int32_t value) { Put(facts, field, value, set.words); };

  for (const RegisterField& f : facts.fields) {
    if (f.rule == FieldRule::Fixed) put(f.field, static_cast<int32_t>(f.korvaneValue));
    // The MAX2871's band-select divider is ten bits in two fields.
    if (f.rule == FieldRule::BandSelectClock) {
      put(f.field, f.field == Field::BandSelectHigh ? bandSelectDivider >> 8 : bandSelectDivider);
    }
  }

  // An R0 of 0 is how a stored slot says its output is off.
  if (on) {
    put(Field::Int, solution.INT);
    put(Field::Frac, solution.FRAC);
    put(Field::IntegerMode, solution.FRAC == 0 ? 1 : 0);
  }
  put(Field::Modulus, solution.MOD);
  put(Field::ChargePumpLinearity, fractional ? 1 : 0);

  // Odd R: doubler on and R in the counter; even R: doubler off and R / 2. Both compare at 2 * ref / R.
  const bool odd = refDivisor % 2 != 0;
  put(Field::RefDoubler, odd ? 1 : 0);
  put(Field::RCounter, odd ? refDivisor : refDivisor / 2);
  put(Field::LockDetectFunction, fractional ? 1 : 0);

  // The loop is solved with the N counter fed from the VCO itself.
  put(Field::FeedbackSelect, 1);
  put(Field::Divider, solution.divExp);
  if (on) {
    put(band == Band::Out2 ? Field::Out2Enable : Field::Out1Enable, 1);
    put(band == Band::Out2 ? Field::Out2Power : Field::Out1Power, static_cast<int32_t>(level) - 1);
  }
  return set;
}

std::string EncodeRegisterSet(int slot, ChipType chip, int32_t refDivisor, double pfd, const PllSolution& solution,
                              PowerLevel level, Band band) {
  return FormatRegisterSet(EncodeRegisterWords(slot, chip, refDivisor, pfd, solution, level, band));
}

double FrequencyOrDefault(std::string_view frequencyText) {
  return ReadDouble(frequencyText).value_or(*ReadDouble(kDefaultFrequencyText));
}

RegisterSet BuildSlotWords(int slot, ChipType chip, std::string_view frequencyText, Band band, PowerLevel power,
                           int32_t refDivisor, double pfd) {
  const double frequency = FrequencyOrDefault(frequencyText);
  PllSolution solution = SolvePll(chip, band, frequency, pfd);
  return EncodeRegisterWords(slot, chip, refDivisor, pfd, solution, FitPowerLevel(chip, band, power), band);
}

std::string BuildSlotCommand(int slot, ChipType chip, std::string_view frequencyText, Band band, PowerLevel power,
                             int32_t refDivisor, double pfd) {
  return FormatRegisterSet(BuildSlotWords(slot, chip, frequencyText, band, power, refDivisor, pfd));
}

DecodedSet DecodeRegisterSet(ChipType chip, const std::array<uint32_t, 6>& words, bool secondOutput) {
  const ChipFacts& facts = Facts(chip);
  auto get = [&](Field field) { return Get(facts, field, words); };
  DecodedSet decoded;
  // The reference divisor lives in R2 whether or not the output is on.
  const int32_t counter = get(Field::RCounter);
  decoded.refDivisor = get(Field::RefDoubler) ? counter : 2 * counter;
  decoded.off = words[0] == 0;
  if (decoded.off) return decoded;
  decoded.band = secondOutput && get(Field::Out2Enable) ? Band::Out2 : Band::Out1;
  decoded.solution.INT = get(Field::Int);
  decoded.solution.FRAC = get(Field::Frac);
  decoded.solution.MOD = get(Field::Modulus);
  decoded.solution.divExp = get(Field::Divider);
  // The level of the output's power code, fitted to the levels that output offers: a readout of
  // OUT2 shows its one level whatever code is stored.
  const int32_t code = get(decoded.band == Band::Out2 ? Field::Out2Power : Field::Out1Power);
  decoded.power = FitPowerLevel(chip, decoded.band, static_cast<PowerLevel>(code + 1));
  return decoded;
}

}  // namespace korvane
