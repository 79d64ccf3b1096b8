// Every field of each chip where its data sheet puts it, and the combinations a slot's overrides
// are refused for.
#include "synth/field_overrides.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "synth/solve_mode.h"
#include "texts/texts.h"

namespace korvane {
namespace {

// The words a user reads for an issue; empty for none.
std::string Text(const std::optional<FieldIssue>& issue) {
  return issue ? texts::FieldIssueText(*issue) : std::string();
}

// A field's bits as the data sheet's register map draws them, and whether the frequency, power,
// output or reference decide it.
// clang-format off
struct Place {
  const char* name;
  int reg;
  uint32_t bits;
  bool computed = false;
};

const std::vector<Place> kAdf435xCommon = {
    {"INT", 0, 0x7FFF8000, true}, {"FRAC", 0, 0x00007FF8, true}, {"PRESCALER", 1, 0x08000000}, {"PHASE", 1, 0x07FF8000},
    {"MOD", 1, 0x00007FF8, true}, {"LOW NOISE AND LOW SPUR MODES", 2, 0x60000000}, {"MUXOUT", 2, 0x1C000000},
    {"REFERENCE DOUBLER", 2, 0x02000000, true}, {"RDIV2", 2, 0x01000000, true}, {"R COUNTER", 2, 0x00FFC000, true},
    {"DOUBLE BUFFER", 2, 0x00002000}, {"CHARGE PUMP CURRENT", 2, 0x00001E00}, {"LDF", 2, 0x00000100, true},
    {"LDP", 2, 0x00000080}, {"PD POLARITY", 2, 0x00000040}, {"POWER-DOWN", 2, 0x00000020},
    {"CP THREE-STATE", 2, 0x00000010}, {"COUNTER RESET", 2, 0x00000008}, {"CSR", 3, 0x00040000},
    {"CLK DIV MODE", 3, 0x00018000}, {"CLOCK DIVIDER VALUE", 3, 0x00007FF8}, {"FEEDBACK SELECT", 4, 0x00800000, true},
    {"RF DIVIDER SELECT", 4, 0x00700000, true}, {"BAND SELECT CLOCK DIVIDER", 4, 0x000FF000},
    {"VCO POWER-DOWN", 4, 0x00000800}, {"MTLD", 4, 0x00000400}, {"AUX OUTPUT SELECT", 4, 0x00000200, true},
    {"AUX OUTPUT ENABLE", 4, 0x00000100, true}, {"AUX OUTPUT POWER", 4, 0x000000C0, true},
    {"RF OUTPUT ENABLE", 4, 0x00000020, true}, {"OUTPUT POWER", 4, 0x00000018, true}, {"LD PIN MODE", 5, 0x00C00000},
};

const std::vector<Place> kAdf4351Only = {
    {"PHASE ADJUST", 1, 0x10000000}, {"BAND SELECT CLOCK MODE", 3, 0x00800000}, {"ABP", 3, 0x00400000},
    {"CHARGE CANCEL", 3, 0x00200000},
};

const std::vector<Place> kMax2871 = {
    {"INT", 0, 0x80000000, true}, {"N", 0, 0x7FFF8000, true}, {"F", 0, 0x00007FF8, true}, {"CPL", 1, 0x60000000, true},
    {"CPT", 1, 0x18000000}, {"P", 1, 0x07FF8000}, {"M", 1, 0x00007FF8, true}, {"LDS", 2, 0x80000000},
    {"SDN", 2, 0x60000000}, {"MUX", 2, 0x1C000000}, {"DBR", 2, 0x02000000, true}, {"RDIV2", 2, 0x01000000, true},
    {"R", 2, 0x00FFC000, true}, {"REG4DB", 2, 0x00002000}, {"CP", 2, 0x00001E00}, {"LDF", 2, 0x00000100, true},
    {"LDP", 2, 0x00000080}, {"PDP", 2, 0x00000040}, {"SHDN", 2, 0x00000020}, {"TRI", 2, 0x00000010},
    {"RST", 2, 0x00000008}, {"VCO", 3, 0xFC000000}, {"VAS_SHDN", 3, 0x02000000}, {"VAS_TEMP", 3, 0x01000000},
    {"CSM", 3, 0x00040000}, {"MUTEDEL", 3, 0x00020000}, {"CDM", 3, 0x00018000}, {"CDIV", 3, 0x00007FF8},
    {"SDLDO", 4, 0x10000000}, {"SDDIV", 4, 0x08000000}, {"SDREF", 4, 0x04000000}, {"BS[9:8]", 4, 0x03000000},
    {"FB", 4, 0x00800000, true}, {"DIVA", 4, 0x00700000, true}, {"BS[7:0]", 4, 0x000FF000}, {"SDVCO", 4, 0x00000800},
    {"MTLD", 4, 0x00000400}, {"BDIV", 4, 0x00000200, true}, {"RFB_EN", 4, 0x00000100, true},
    {"BPWR", 4, 0x000000C0, true}, {"RFA_EN", 4, 0x00000020, true}, {"APWR", 4, 0x00000018, true},
    {"VAS_DLY", 5, 0x60000000}, {"SDPLL", 5, 0x02000000}, {"F01", 5, 0x01000000}, {"LD", 5, 0x00C00000},
    {"MUX[3]", 5, 0x00040000}, {"ADCS", 5, 0x00000040}, {"ADCM", 5, 0x00000038},
};

// clang-format on

TEST(FieldTable, EveryFieldLiesWhereTheDataSheetPutsIt) {
  std::vector<Place> adf4351 = kAdf435xCommon;
  adf4351.insert(adf4351.end(), kAdf4351Only.begin(), kAdf4351Only.end());
  const struct {
    ChipType chip;
    const std::vector<Place>& places;
  } chips[] = {{ChipType::Adf4350, kAdf435xCommon}, {ChipType::Adf4351, adf4351}, {ChipType::Max2871, kMax2871}};
  for (const auto& c : chips) {
    SCOPED_TRACE(std::string(ChipName(c.chip)));
    EXPECT_EQ(Facts(c.chip).fields.size(), c.places.size()) << "a field the data sheet does not have, or one missing";
    for (const Place& place : c.places) {
      SCOPED_TRACE(place.name);
      const RegisterField* field = FindField(c.chip, place.name);
      ASSERT_NE(field, nullptr);
      // All ones written into empty words give the data sheet's bits and nothing else.
      RegisterWords words{};
      WriteField(*field, ~0u, words);
      RegisterWords expected{};
      expected[static_cast<size_t>(place.reg)] = place.bits;
      EXPECT_EQ(words, expected);
      EXPECT_EQ(field->computed(), place.computed);
      EXPECT_EQ(ReadField(*field, words), field->mask());
    }
  }
}

TEST(FieldOverrides, CombinationsTheChipDoesNotTakeAreRefusedWithTheReason) {
  const struct {
    ChipType chip;
    const char* frequency;
    std::vector<std::pair<const char*, uint32_t>> fields;
    const char* reason;  // empty: accepted
  } cases[] = {
      {ChipType::Max2871, "1296", {{"SDN", 3}, {"CP", 7}, {"BS[7:0]", 250}}, ""},
      {ChipType::Max2871, "1296", {{"N", 500}}, "\"N\" is computed from the frequency"},
      {ChipType::Max2871, "1296", {{"SDN", 1}}, "\"SDN\" cannot be 1 on the MAX2871; it takes 0 low-noise mode, 2"},
      {ChipType::Max2871, "1296", {{"BS[7:0]", 199}}, "band-select clock would run at 50.251 kHz"},
      {ChipType::Max2871, "1296", {{"BS[7:0]", 0}}, "divider must not be 0"},
      {ChipType::Max2871, "1296", {{"BS[7:0]", 0}, {"BS[9:8]", 1}}, ""},
      {ChipType::Max2871, "1296", {{"P", 4092}}, ""},
      {ChipType::Max2871, "1296", {{"P", 4093}}, "\"P\" 4093 must be below the modulus \"M\" 4093"},
      {ChipType::Adf4350, "1296", {{"BAND SELECT CLOCK DIVIDER", 79}}, "faster than the 125 kHz the ADF4350 takes"},
      {ChipType::Adf4350, "1296", {{"BAND SELECT CLOCK DIVIDER", 80}}, ""},
      {ChipType::Adf4351, "1296", {{"BAND SELECT CLOCK MODE", 1}, {"BAND SELECT CLOCK DIVIDER", 20}}, ""},
      {ChipType::Adf4351, "1296", {{"BAND SELECT CLOCK MODE", 1}, {"BAND SELECT CLOCK DIVIDER", 19}}, "500 kHz"},
      {ChipType::Adf4351, "1296", {{"BAND SELECT CLOCK MODE", 1}}, ""},  // Korvane's 120 stays below 254
      {ChipType::Adf4351, "1296", {{"BAND SELECT CLOCK MODE", 1}, {"BAND SELECT CLOCK DIVIDER", 255}}, "at most 254"},
      {ChipType::Adf4351, "1750", {{"PRESCALER", 0}}, ""},  // VCO 3500 MHz
      {ChipType::Adf4351, "1850", {{"PRESCALER", 0}}, "takes the VCO up to 3600 MHz"},
      {ChipType::Adf4350, "1750", {{"PRESCALER", 0}}, "takes the VCO up to 3000 MHz"},
      {ChipType::Adf4350, "1296", {{"PHASE ADJUST", 1}}, "The ADF4350 has no such field."},
      {ChipType::Max2871, "1296", {{"VAS_TEMP", 0}}, "takes \"VAS_DLY\" 0 with \"VAS_TEMP\" 0, not 3"},
      {ChipType::Max2871, "1296", {{"VAS_TEMP", 0}, {"VAS_DLY", 0}}, ""},
      {ChipType::Max2871, "1296", {{"VAS_DLY", 0}}, "takes \"VAS_DLY\" 3 with \"VAS_TEMP\" 1, not 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(ChipName(c.chip)) + " " + c.frequency + " " + c.fields[0].first);
    int32_t refDivisor = 0;
    double pfd = 0.0;
    AcceptReference("10", c.chip, refDivisor, pfd);
    FieldOverrides overrides;
    for (const auto& [name, value] : c.fields) {
      // A field of the other ADF435x stands for a field this chip lacks.
      const RegisterField* f = FindField(c.chip, name);
      overrides[f ? f->field : FindField(ChipType::Adf4351, name)->field] = value;
    }
    RegisterSet set = BuildSlotWords(SolveMode::Classic, 4, c.chip, c.frequency, Band::Out1, PowerLevel::Plus5,
                                     {"10", refDivisor, pfd});
    const RegisterWords korvane = set.words;
    ApplyOverrides(c.chip, overrides, set.words);
    const std::optional<FieldIssue> issue = CheckOverrides(c.chip, overrides, set.words, pfd);
    const std::optional<std::string> why = issue ? std::optional(texts::FieldIssueText(*issue)) : std::nullopt;
    if (*c.reason == '\0') {
      EXPECT_EQ(why, std::nullopt);
      // What a board would store decodes back to the same overrides.
      EXPECT_EQ(DecodeOverrides(c.chip, set.words, korvane), overrides);
    } else {
      ASSERT_TRUE(why);
      EXPECT_NE(why->find(c.reason), std::string::npos) << *why;
    }
  }
}

// Where each value of a slot's words comes from, over the three chips and four kinds of stored set:
// Korvane's own words, words with board values (one that follows the tuning, one that does not),
// words with the reserved bits the data sheet asks for, and another chip's words.
TEST(SlotPlan, BoardValuesGoBackUntouchedFollowARetuneAndNeverBlock) {
  struct Case {
    ChipType chip;
    const char* follows;  // a field that follows the tuning, with a value of the board's
    uint32_t held;
    size_t reservedWord;
    uint32_t reservedBits;
  };
  const Case cases[] = {
      {ChipType::Adf4350, "PRESCALER", 0, 5, 0x00180000},
      {ChipType::Adf4351, "PRESCALER", 0, 5, 0x00180000},
      {ChipType::Max2871, "BS[7:0]", 100, 4, 0x60000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(ChipName(c.chip)));
    int32_t refDivisor = 0;
    double pfd = 0.0;
    AcceptReference("10", c.chip, refDivisor, pfd);
    auto words = [&](const char* mhz) {
      return BuildSlotWords(SolveMode::Classic, 4, c.chip, mhz, Band::Out1, PowerLevel::Plus5, {"10", refDivisor, pfd})
          .words;
    };
    const RegisterWords old = words("1000");
    const RegisterWords fresh = words("4400");

    // Korvane's own words: nothing differs, before or after a retune.
    SlotPlan plan = PlanSlot(c.chip, old, &old, true, {}, pfd);
    EXPECT_EQ(plan.words, old);
    plan = PlanSlot(c.chip, fresh, &old, false, {}, pfd);
    EXPECT_EQ(plan.words, fresh);
    EXPECT_TRUE(plan.sources.empty() && plan.notes.empty() && !plan.refusal);
    EXPECT_EQ(ForeignWordsNote(c.chip, old, pfd, 1), std::nullopt);

    // Board values and reserved bits: back as they are while untouched; after a retune the field
    // that follows takes Korvane's value with a note, the other one and the reserved bits stay.
    RegisterWords stored = old;
    const RegisterField& follows = *FindField(c.chip, c.follows);
    const RegisterField& current = *Facts(c.chip).Find(Field::ChargePumpCurrent);
    WriteField(follows, c.held, stored);
    WriteField(current, 3, stored);
    stored[c.reservedWord] |= c.reservedBits;
    EXPECT_EQ(ForeignWordsNote(c.chip, stored, pfd, 1), std::nullopt);
    plan = PlanSlot(c.chip, old, &stored, true, {}, pfd);
    EXPECT_EQ(plan.words, stored);
    EXPECT_EQ(plan.sources.at(follows.field), FieldSource::Board);
    plan = PlanSlot(c.chip, fresh, &stored, false, {}, pfd);
    RegisterWords expected = fresh;
    WriteField(current, 3, expected);
    expected[c.reservedWord] |= c.reservedBits;
    EXPECT_EQ(plan.words, expected);
    EXPECT_FALSE(plan.refusal);
    EXPECT_EQ((std::map<Field, FieldSource>{{current.field, FieldSource::Board}}), plan.sources);
    ASSERT_EQ(plan.notes.size(), 1u);
    EXPECT_EQ(texts::FieldNoteText(plan.notes[0]).find("\"" + std::string(follows.name) + "\" is "), 0u);
    // Pinned by the user, the same value is kept, and refused where it breaks a rule.
    plan = PlanSlot(c.chip, fresh, &stored, false, {{follows.field, c.held}}, pfd);
    EXPECT_EQ(ReadField(follows, plan.words), c.held);
    EXPECT_TRUE(plan.refusal.has_value());
    // A board value that breaks a rule after the retune gives way, with the rule named.
    RegisterWords phased = old;
    WriteField(*Facts(c.chip).Find(Field::Phase), ReadField(*Facts(c.chip).Find(Field::Modulus), old) - 1, phased);
    const RegisterWords coarse = words("4000");
    plan = PlanSlot(c.chip, coarse, &phased, false, {}, pfd);
    if (ReadField(*Facts(c.chip).Find(Field::Modulus), coarse) <=
        ReadField(*Facts(c.chip).Find(Field::Phase), phased)) {
      EXPECT_EQ(plan.words, coarse);
      ASSERT_EQ(plan.notes.size(), 1u);
      EXPECT_NE(texts::FieldNoteText(plan.notes[0]).find("must be below the modulus"), std::string::npos);
    }

    // Another chip's words are no stored set of this one: the MAX2871's set bits the ADF435x
    // reserves; the ADF435x's leave the MAX2871's reserved bits clear and show only when they decode
    // to a frequency out of its band.
    if (c.chip != ChipType::Max2871) {
      const RegisterWords theirs = BuildSlotWords(SolveMode::Classic, 4, ChipType::Max2871, "1000", Band::Out1,
                                                  PowerLevel::Plus5, {"10", refDivisor, pfd})
                                       .words;
      EXPECT_NE(Text(ForeignWordsNote(c.chip, theirs, pfd, 1)).find("only the MAX2871 uses"), std::string::npos);
      // The 8/9 prescaler divides by an INT of 75 or more.
      RegisterWords low = old;
      WriteField(*Facts(c.chip).Find(Field::Int), 74, low);
      EXPECT_NE(Text(CheckOverrides(c.chip, {{Field::Prescaler, 1}}, low, pfd)).find("INT of at least 75"),
                std::string::npos);
    } else {
      RegisterWords far = old;
      WriteField(*Facts(c.chip).Find(Field::Int), 4000, far);
      EXPECT_NE(Text(ForeignWordsNote(c.chip, far, pfd, 1)).find("outside what the MAX2871 makes"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace korvane
