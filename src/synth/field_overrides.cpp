// Expert settings: field values a slot sends instead of Korvane's own, checked before they go out.
#include "synth/field_overrides.h"

#include <algorithm>
#include <cmath>

#include "synth/number_text.h"
#include "synth/register_set.h"
#include "synth/solver.h"

namespace korvane {

namespace {

char Fold(char c) {
  if (c == '_') return ' ';
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

// The words' value of a field the chip may lack (0 then).
uint32_t Read(const ChipFacts& facts, Field field, const RegisterWords& words) {
  const RegisterField* f = facts.Find(field);
  return f ? ReadField(*f, words) : 0;
}

std::optional<FieldIssue> CheckBandSelect(ChipType chip, const RegisterWords& words, double pfd) {
  const ChipFacts& facts = Facts(chip);
  const uint32_t divider = Read(facts, Field::BandSelect, words) | (Read(facts, Field::BandSelectHigh, words) << 8);
  FieldIssue issue{.chip = chip, .field = Field::BandSelect, .value = divider};
  if (divider == 0) {
    issue.kind = FieldIssue::Kind::BandSelectZero;
    return issue;
  }
  const bool faster = Read(facts, Field::BandSelectClockMode, words) == 1;
  if (faster && divider > 254) {
    issue.kind = FieldIssue::Kind::BandSelectModeHigh;
    issue.wanted = 254;
    return issue;
  }
  const double limitKhz = faster ? facts.fasterBandSelectKhz : facts.maxBandSelectKhz;
  const double khz = pfd * 1000.0 / divider;
  if (!(khz <= limitKhz * (1.0 + 1e-9))) {
    issue.kind = FieldIssue::Kind::BandSelectTooFast;
    issue.frequency = khz;
    issue.pfd = pfd;
    issue.limit = limitKhz;
    issue.wanted = static_cast<uint32_t>(std::ceil(pfd * 1000.0 / limitKhz - 1e-9));
    return issue;
  }
  return std::nullopt;
}

}  // namespace

uint32_t ReadField(const RegisterField& field, const RegisterWords& words) {
  return (words[static_cast<size_t>(field.reg)] >> field.lowBit) & field.mask();
}

void WriteField(const RegisterField& field, uint32_t value, RegisterWords& words) {
  uint32_t& word = words[static_cast<size_t>(field.reg)];
  word = (word & ~(field.mask() << field.lowBit)) | ((value & field.mask()) << field.lowBit);
}

const RegisterField* FindField(ChipType chip, std::string_view name) {
  for (const RegisterField& f : Facts(chip).fields) {
    if (SameName(f.name, name)) return &f;
  }
  return nullptr;
}

std::string_view ValueName(const RegisterField& field, uint32_t value) {
  for (const FieldValue& v : field.values) {
    if (v.value == value) return v.name;
  }
  return {};
}

std::optional<uint32_t> ReadFieldValue(const RegisterField& field, std::string_view text) {
  for (const FieldValue& v : field.values) {
    if (SameName(v.name, text)) return v.value;
  }
  if (text.empty()) return std::nullopt;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    size_t used = 0;
    std::optional<uint32_t> value = ReadHex(text, &used, 8);
    return value && used == text.size() ? value : std::nullopt;
  }
  const std::optional<uint64_t> value = ReadDigits(text, 0xFFFFFFFFu);
  if (!value) return std::nullopt;
  return static_cast<uint32_t>(*value);
}

std::string KorvaneValueText(const RegisterField& field) {
  switch (field.rule) {
    case FieldRule::Computed:
      return "computed";
    case FieldRule::BandSelectClock:
      return "fPFD / 50 kHz";
    case FieldRule::Fixed:
      break;
  }
  const std::string_view name = ValueName(field, field.korvaneValue);
  const std::string number = std::to_string(field.korvaneValue);
  return name.empty() ? number : number + " (" + std::string(name) + ")";
}

std::optional<FieldIssue> CheckOverride(ChipType chip, Field field, uint32_t value) {
  const RegisterField* f = Facts(chip).Find(field);
  FieldIssue issue{.chip = chip, .field = field, .value = value};
  if (!f) return issue;
  if (f->computed()) {
    issue.kind = FieldIssue::Kind::Computed;
    return issue;
  }
  const bool allowed = f->values.empty() ? value >= f->minValue && value <= f->maxValue : !ValueName(*f, value).empty();
  if (!allowed) {
    issue.kind = FieldIssue::Kind::NotAllowed;
    return issue;
  }
  return std::nullopt;
}

void ApplyOverrides(ChipType chip, const FieldOverrides& overrides, RegisterWords& words) {
  const ChipFacts& facts = Facts(chip);
  for (const auto& [field, value] : overrides) {
    const RegisterField* f = facts.Find(field);
    if (f && !f->computed()) WriteField(*f, value, words);
  }
}

std::optional<FieldIssue> CheckOverrides(ChipType chip, const FieldOverrides& overrides, const RegisterWords& words,
                                         double pfd) {
  const ChipFacts& facts = Facts(chip);
  for (const auto& [field, value] : overrides) {
    if (std::optional<FieldIssue> why = CheckOverride(chip, field, value)) return why;
  }
  auto overridden = [&](Field field) { return overrides.count(field) != 0; };

  if (overridden(Field::BandSelect) || overridden(Field::BandSelectHigh) || overridden(Field::BandSelectClockMode)) {
    if (std::optional<FieldIssue> why = CheckBandSelect(chip, words, pfd)) return why;
  }
  if (overridden(Field::Phase)) {
    const uint32_t phase = Read(facts, Field::Phase, words);
    const uint32_t modulus = Read(facts, Field::Modulus, words);
    if (phase >= modulus) {
      return FieldIssue{.kind = FieldIssue::Kind::PhaseNotBelowModulus,
                        .chip = chip,
                        .field = Field::Phase,
                        .value = phase,
                        .wanted = modulus};
    }
  }
  if (overridden(Field::VasTemperature) || overridden(Field::VasDelay)) {
    // The VCO auto-select needs its longer delay exactly when it compensates for temperature.
    const uint32_t temperature = Read(facts, Field::VasTemperature, words);
    const uint32_t delay = Read(facts, Field::VasDelay, words);
    const uint32_t wanted = temperature == 1 ? 3 : 0;
    if (delay != wanted) {
      return FieldIssue{.kind = FieldIssue::Kind::VasDelay,
                        .chip = chip,
                        .field = Field::VasDelay,
                        .value = delay,
                        .wanted = wanted,
                        .given = temperature};
    }
  }
  if (overridden(Field::Prescaler) && facts.maxPrescaler45Mhz > 0.0) {
    // The smallest INT each prescaler divides by.
    const uint32_t prescaler = Read(facts, Field::Prescaler, words);
    const uint32_t least = prescaler == 0 ? 23 : 75;
    const uint32_t value = Read(facts, Field::Int, words);
    if (value < least) {
      return FieldIssue{.kind = FieldIssue::Kind::PrescalerInt,
                        .chip = chip,
                        .field = Field::Prescaler,
                        .value = value,
                        .wanted = least,
                        .given = prescaler};
    }
  }
  if (overridden(Field::Prescaler) && Read(facts, Field::Prescaler, words) == 0 && facts.maxPrescaler45Mhz > 0.0) {
    const double modulus = std::max<uint32_t>(Read(facts, Field::Modulus, words), 1);
    const double vco =
        pfd * (Read(facts, Field::Int, words) + static_cast<double>(Read(facts, Field::Frac, words)) / modulus);
    if (vco > facts.maxPrescaler45Mhz) {
      return FieldIssue{.kind = FieldIssue::Kind::PrescalerVco,
                        .chip = chip,
                        .field = Field::Prescaler,
                        .frequency = vco,
                        .limit = facts.maxPrescaler45Mhz};
    }
  }
  return std::nullopt;
}

FieldOverrides DecodeOverrides(ChipType chip, const RegisterWords& stored, const RegisterWords& korvane) {
  FieldOverrides overrides;
  for (const RegisterField& f : Facts(chip).fields) {
    if (f.computed()) continue;
    const uint32_t value = ReadField(f, stored);
    if (value != ReadField(f, korvane)) overrides[f.field] = value;
  }
  return overrides;
}

std::string FieldValueText(const RegisterField& field, uint32_t value) {
  const std::string_view name = ValueName(field, value);
  return name.empty() ? std::to_string(value) : std::string(name);
}

bool FollowsTuning(const RegisterField& field) {
  if (field.computed()) return true;
  switch (field.field) {
    case Field::Prescaler:
    case Field::BandSelect:
    case Field::BandSelectHigh:
    case Field::BandSelectClockMode:
    case Field::AntiBacklashPulse:
    case Field::ChargeCancel:
    case Field::LockDetectSpeed:
      return true;
    default:
      return false;
  }
}

namespace {
RegisterWords FieldBits(ChipType chip) {
  RegisterWords bits{};
  for (const RegisterField& f : Facts(chip).fields) WriteField(f, ~0u, bits);
  return bits;
}
}  // namespace

RegisterWords ReservedBits(ChipType chip) {
  RegisterWords bits = FieldBits(chip);
  for (uint32_t& word : bits) word = ~word & ~7u;
  return bits;
}

std::optional<FieldIssue> ForeignWordsNote(ChipType chip, const RegisterWords& words, double pfd, bool secondOutput) {
  const RegisterWords reserved = ReservedBits(chip);
  for (ChipType other : kChipTypes) {
    if (other == chip) continue;
    const RegisterWords theirs = FieldBits(other);
    for (size_t r = 0; r < words.size(); ++r) {
      const uint32_t foreign = words[r] & reserved[r] & theirs[r];
      if (foreign == 0) continue;
      return FieldIssue{
          .kind = FieldIssue::Kind::ForeignBits, .chip = chip, .value = foreign, .other = other, .reg = r};
    }
  }
  if (words[0] == 0 || !(pfd > 0.0)) return std::nullopt;
  const DecodedSet decoded = DecodeRegisterSet(chip, words, secondOutput);
  const double frequency = AchievedFrequency(decoded.solution, decoded.band, pfd);
  if (!IsInBand(chip, decoded.band, frequency)) {
    return FieldIssue{.kind = FieldIssue::Kind::OutOfBand, .chip = chip, .frequency = frequency, .band = decoded.band};
  }
  return std::nullopt;
}

SlotPlan PlanSlot(ChipType chip, const RegisterWords& korvane, const RegisterWords* board, bool untouched,
                  const FieldOverrides& user, double pfd) {
  const ChipFacts& facts = Facts(chip);
  SlotPlan plan;
  plan.words = korvane;
  if (board && untouched) {
    plan.words = *board;
  } else if (board) {
    const RegisterWords reserved = ReservedBits(chip);
    for (size_t r = 0; r < plan.words.size(); ++r) {
      plan.words[r] = (korvane[r] & ~reserved[r]) | ((*board)[r] & reserved[r]);
    }
    FieldOverrides kept;
    for (const RegisterField& f : facts.fields) {
      if (f.computed() || user.count(f.field)) continue;
      const uint32_t held = ReadField(f, *board);
      const uint32_t mine = ReadField(f, korvane);
      if (held == mine) continue;
      if (FollowsTuning(f)) {
        plan.notes.push_back({.chip = chip, .field = f.field, .korvane = mine, .board = held});
        continue;
      }
      kept[f.field] = held;
    }
    ApplyOverrides(chip, kept, plan.words);
    RegisterWords trial = plan.words;
    ApplyOverrides(chip, user, trial);
    for (const auto& [field, value] : kept) {
      std::optional<FieldIssue> why = CheckOverrides(chip, {{field, value}}, trial, pfd);
      if (!why) continue;
      const RegisterField& f = *facts.Find(field);
      WriteField(f, ReadField(f, korvane), plan.words);
      plan.notes.push_back(
          {.chip = chip, .field = field, .korvane = ReadField(f, korvane), .board = value, .rule = std::move(why)});
    }
  }
  ApplyOverrides(chip, user, plan.words);
  for (const RegisterField& f : facts.fields) {
    if (user.count(f.field)) {
      plan.sources[f.field] = FieldSource::User;
    } else if (board && !f.computed() && ReadField(f, plan.words) != ReadField(f, korvane)) {
      plan.sources[f.field] = FieldSource::Board;
    }
  }
  if (!user.empty()) plan.refusal = CheckOverrides(chip, user, plan.words, pfd);
  return plan;
}

}  // namespace korvane
