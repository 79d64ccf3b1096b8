// The chip tables: where each field lies, read back from sets boards have always been sent.
#include "synth/chip_facts.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "synth/register_set.h"

namespace korvane {
namespace {

uint32_t Mask(const RegisterField& f) { return (f.width >= 32 ? ~0u : (1u << f.width) - 1u) << f.lowBit; }

uint32_t Read(const RegisterField& f, const std::array<uint32_t, 6>& words) {
  return (words[static_cast<size_t>(f.reg)] & Mask(f)) >> f.lowBit;
}

TEST(ChipFacts, FieldsLieInsideOneWordWithoutOverlapping) {
  for (ChipType chip : kChipTypes) {
    const ChipFacts& facts = Facts(chip);
    SCOPED_TRACE(facts.name);
    EXPECT_EQ(facts.chip, chip);
    std::array<uint32_t, 6> used{};
    for (const RegisterField& f : facts.fields) {
      SCOPED_TRACE(std::string(f.name));
      ASSERT_GE(f.reg, 0);
      ASSERT_LE(f.reg, 5);
      ASSERT_GE(f.lowBit, 3) << "bits 2..0 address the register";
      ASSERT_GE(f.width, 1);
      ASSERT_LE(f.lowBit + f.width, 32);
      EXPECT_EQ(used[static_cast<size_t>(f.reg)] & Mask(f), 0u) << "overlaps another field";
      used[static_cast<size_t>(f.reg)] |= Mask(f);
      EXPECT_EQ(facts.Find(f.field), &f) << "a second entry for the same field";
    }
    // What every chip must have for a slot to be encoded and read back.
    for (Field field :
         {Field::Int, Field::Frac, Field::Modulus, Field::Phase, Field::RCounter, Field::RefDoubler, Field::Divider,
          Field::BandSelect, Field::Out1Enable, Field::Out1Power, Field::Out2Enable, Field::Out2Power}) {
      EXPECT_NE(facts.Find(field), nullptr) << static_cast<int>(field);
    }
    for (const RegisterField& f : facts.fields) {
      EXPECT_EQ(f.korvaneValue & ~(Mask(f) >> f.lowBit), 0u) << f.name << " does not hold its fixed value";
    }
  }
}

// Sets from the register tests, read field by field with the data sheets' names.
TEST(ChipFacts, FieldPositionsReadKnownSets) {
  struct Case {
    ChipType chip;
    const char* set;
    std::map<std::string, uint32_t> fields;
  };
  const Case cases[] = {
      // 10368 MHz on OUT2 at -1dBm from a 10 MHz reference: INT 518, FRAC 1637, MOD 4093, R 2 as 1 undoubled.
      {ChipType::Max2871,
       "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;",
       {{"INT", 0},      {"N", 518},     {"F", 1637},    {"CPL", 1},  {"P", 1},         {"M", 4093},   {"MUX", 6},
        {"DBR", 0},      {"R", 1},       {"REG4DB", 1},  {"CP", 15},  {"LDF", 1},       {"LDP", 1},    {"PDP", 1},
        {"VAS_TEMP", 1}, {"BS[9:8]", 0}, {"FB", 1},      {"DIVA", 0}, {"BS[7:0]", 200}, {"RFB_EN", 1}, {"BPWR", 1},
        {"RFA_EN", 0},   {"APWR", 0},    {"VAS_DLY", 3}, {"LD", 1}}},
      // 5760 MHz integer-N on OUT1 at -1dBm.
      {ChipType::Max2871,
       "1 81200000 00008010 18007EC0 01000000 008C8028 60400000;",
       {{"INT", 1},
        {"N", 576},
        {"F", 0},
        {"CPL", 0},
        {"M", 2},
        {"LDF", 0},
        {"RFB_EN", 0},
        {"RFA_EN", 1},
        {"APWR", 1},
        {"DIVA", 0}}},
      // 144 MHz: divider 32.
      {ChipType::Max2871,
       "4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;",
       {{"N", 460}, {"F", 4}, {"DIVA", 5}}},
      // 2200 MHz at +5dBm.
      {ChipType::Adf4350,
       "4 006E0000 08008010 18007EC0 00000000 00878038 00400000;",
       {{"INT", 220},
        {"FRAC", 0},
        {"PRESCALER", 1},
        {"PHASE", 1},
        {"MOD", 2},
        {"MUXOUT", 6},
        {"REFERENCE DOUBLER", 0},
        {"R COUNTER", 1},
        {"DOUBLE BUFFER", 1},
        {"CHARGE PUMP CURRENT", 15},
        {"LDF", 0},
        {"LDP", 1},
        {"PD POLARITY", 1},
        {"FEEDBACK SELECT", 1},
        {"RF DIVIDER SELECT", 0},
        {"BAND SELECT CLOCK DIVIDER", 120},
        {"AUX OUTPUT ENABLE", 0},
        {"AUX OUTPUT POWER", 0},
        {"RF OUTPUT ENABLE", 1},
        {"OUTPUT POWER", 3},
        {"LD PIN MODE", 1}}},
      // 50 MHz from 25 MHz: R 5 with the doubler, divider 64.
      {ChipType::Adf4351,
       "0 00A00000 08008010 1A017EC0 00000000 00E78038 00400000;",
       {{"INT", 320}, {"REFERENCE DOUBLER", 1}, {"R COUNTER", 5}, {"RF DIVIDER SELECT", 6}, {"OUTPUT POWER", 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.set);
    const std::optional<std::array<uint32_t, 6>> words = ParseRegisterReply(c.set);
    ASSERT_TRUE(words);
    const ChipFacts& facts = Facts(c.chip);
    for (const auto& [name, value] : c.fields) {
      const RegisterField* found = nullptr;
      for (const RegisterField& f : facts.fields) {
        if (f.name == name) found = &f;
      }
      ASSERT_NE(found, nullptr) << name;
      EXPECT_EQ(Read(*found, *words), value) << name;
    }
    // Every bit the set holds beyond the register address lies in a field of the table.
    std::array<uint32_t, 6> covered{};
    for (const RegisterField& f : facts.fields) covered[static_cast<size_t>(f.reg)] |= Mask(f);
    for (size_t r = 0; r < 6; ++r) {
      EXPECT_EQ((*words)[r] & ~covered[r] & ~7u, 0u) << "R" << r;
    }
  }
}

}  // namespace
}  // namespace korvane
