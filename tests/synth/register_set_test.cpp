// Register words: the commands sent to a board and the readout of stored sets.
#include "synth/register_set.h"

#include <gtest/gtest.h>

#include "synth/number_text.h"

namespace korvane {
namespace {

using enum Band;
using enum PowerLevel;

struct CommandCase {
  ChipType chip;
  const char* reference;
  int slot;
  Band band;
  const char* frequency;
  PowerLevel power;
  const char* command;
};

const CommandCase kCommands[] = {
    {ChipType::Max2871, "10", 0, Out2, "10368", Minus1, "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;"},
    {ChipType::Max2871, "10", 1, Out1, "5760", Minus1, "1 81200000 00008010 18007EC0 01000000 008C8028 60400000;"},
    {ChipType::Max2871, "10", 2, Out1, "1296", Minus1, "2 01033328 2000FFE8 18007FC0 01000000 00AC8028 60400000;"},
    {ChipType::Max2871, "10", 3, Out1, "432", Minus1, "3 00AC8018 20008028 18007FC0 01000000 00BC8028 60400000;"},
    {ChipType::Max2871, "10", 4, Out1, "144", Minus1, "4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;"},
    {ChipType::Max2871, "10", 2, Out1, "144", Off, "2 00000000 20008028 18007FC0 01000000 00DC8000 60400000;"},
    {ChipType::Max2871, "10", 4, Out2, "5500", Minus1, "4 81130000 00008010 18007EC0 01000000 009C8140 60400000;"},
    {ChipType::Adf4350, "10", 4, Out1, "2200", Plus5, "4 006E0000 08008010 18007EC0 00000000 00878038 00400000;"},
    {ChipType::Adf4351, "25", 0, Out1, "50", Plus5, "0 00A00000 08008010 1A017EC0 00000000 00E78038 00400000;"},
    // Text that is not a number stands for 180 MHz.
    {ChipType::Max2871, "10", 4, Out1, "abc", Minus1, nullptr},
};

TEST(BuildSlotCommand, KnownSets) {
  for (const CommandCase& c : kCommands) {
    SCOPED_TRACE(c.frequency);
    int32_t refDivisor = 0;
    double pfd = 10.0;
    AcceptReference(c.reference, c.chip, refDivisor, pfd);
    std::string command = BuildSlotCommand(c.slot, c.chip, c.frequency, c.band, c.power, refDivisor, pfd);
    if (c.command) {
      EXPECT_EQ(command, c.command);
    } else {
      EXPECT_EQ(command, BuildSlotCommand(c.slot, c.chip, "180", c.band, c.power, refDivisor, pfd));
    }
  }
}

TEST(DecodeRegisterSet, InvertsTheEncoder) {
  // Every set the encoder builds reads back as what was asked for.
  for (const CommandCase& c : kCommands) {
    if (!c.command) continue;
    SCOPED_TRACE(c.command);
    std::optional<std::array<uint32_t, 6>> words = ParseRegisterReply(c.command);
    ASSERT_TRUE(words);
    DecodedSet d = DecodeRegisterSet(c.chip, *words, 1);
    int32_t refDivisor = 0;
    double pfd = 10.0;
    AcceptReference(c.reference, c.chip, refDivisor, pfd);
    EXPECT_EQ(d.refDivisor, refDivisor);
    if (c.power == Off) {
      EXPECT_TRUE(d.off);
      EXPECT_EQ(d.band, Out1);
      EXPECT_EQ(d.power, Off);
      continue;
    }
    EXPECT_FALSE(d.off);
    EXPECT_EQ(d.band, c.band);
    EXPECT_EQ(d.power, c.power);
    PllSolution s = SolvePll(c.chip, c.band, *ReadDouble(c.frequency), pfd);
    EXPECT_EQ(d.solution.INT, s.INT);
    EXPECT_EQ(d.solution.FRAC, s.FRAC);
    EXPECT_EQ(d.solution.MOD, s.MOD);
    EXPECT_EQ(d.solution.divExp, s.divExp);
  }
}

TEST(DecodeRegisterSet, BandNeedsTheSSuffix) {
  auto words = ParseRegisterReply("0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;");
  ASSERT_TRUE(words);
  struct Case {
    int sSuffix;
    Band band;
    PowerLevel power;
    const char* frequency;
  };
  // Without the suffix the words are read as OUT1, whose power bits hold code 0.
  for (const Case& c : {Case{1, Out2, Minus1, "10367.999023"}, Case{0, Out1, Minus4, "5183.999511"}}) {
    DecodedSet d = DecodeRegisterSet(ChipType::Max2871, *words, c.sSuffix);
    EXPECT_EQ(d.band, c.band);
    EXPECT_EQ(d.power, c.power);
    EXPECT_EQ(d.refDivisor, 2);
    double pfd = 2 * 10.0 / d.refDivisor;
    EXPECT_EQ(FormatFixed(AchievedFrequency(d.solution, d.band, pfd), 6, 5), c.frequency);
  }
}

TEST(DecodeRegisterSet, BandOneAlwaysShowsMinusOne) {
  // R4 says power code 3 on the auxiliary output; the band-1 list has no such entry.
  std::array<uint32_t, 6> words{0x01033328, 0x2000FFE8, 0x18007FC0, 0x01000000, 0x008C81C0, 0x60400000};
  for (ChipType chip : kChipTypes) {
    EXPECT_EQ(DecodeRegisterSet(chip, words, 1).power, Minus1);
    EXPECT_EQ(DecodeRegisterSet(chip, words, 0).power, Minus4);  // OUT1 reads bits 4..3: code 0
  }
}

TEST(EncodeRegisterWords, ReferenceAndModeBits) {
  PllSolution integer{0, 300, 0, 2};
  PllSolution fractional{0, 300, 1, 2};
  struct Case {
    ChipType chip;
    int32_t refDivisor;
    const PllSolution& solution;
    uint32_t r0, r1, r2;
  };
  const Case cases[] = {
      // MAX2871 integer mode: bit 31 of R0, no bit 29 of R1, no bit 8 of R2.
      {ChipType::Max2871, 2, integer, 0x80960000, 0x00008010, 0x18007EC0},
      {ChipType::Max2871, 2, fractional, 0x00960008, 0x20008010, 0x18007FC0},
      // Odd divisor: doubler on and R itself in the counter.
      {ChipType::Adf4351, 5, integer, 0x00960000, 0x08008010, 0x1A017EC0},
      {ChipType::Adf4350, 1, fractional, 0x00960008, 0x08008010, 0x1A007FC0},
      {ChipType::Adf4350, 50, integer, 0x00960000, 0x08008010, 0x18067EC0},
  };
  for (const Case& c : cases) {
    RegisterSet set = EncodeRegisterWords(3, c.chip, c.refDivisor, 10.0, c.solution, Minus1, Out1);
    EXPECT_EQ(set.words[0], c.r0) << c.refDivisor;
    EXPECT_EQ(set.words[1], c.r1) << c.refDivisor;
    EXPECT_EQ(set.words[2], c.r2) << c.refDivisor;
    EXPECT_EQ(DecodeRegisterSet(c.chip, set.words, 0).refDivisor, c.refDivisor);
  }
}

TEST(EncodeRegisterWords, BandSelectClockFollowsThePfd) {
  // 19.98 MHz is 399 steps of 50 kHz: the top bit goes to R4 bit 24.
  PllSolution s{0, 300, 0, 2};
  RegisterSet set = EncodeRegisterWords(0, ChipType::Max2871, 1, 19.98, s, Minus4, Out1);
  EXPECT_EQ(set.words[4], 0x01800000u | (0x8Fu << 12) | 0x20u);
}

TEST(ParseRegisterReply, ScanfSemantics) {
  struct Case {
    const char* reply;
    bool ok;
    uint32_t r0, r5;
  };
  const Case cases[] = {
      {"4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;", true, 0x00E60020, 0x60400000},
      {"9 1 2 3 4 5 6", true, 1, 6},      // slot digit not compared, ";" not needed
      {"0\t1\n2  3 4 5 6;", true, 1, 6},  // any white space between numbers
      {"01 2 3 4 5 6;", true, 1, 6},      // the first character is dropped, whatever it is
      {"4 00E60020 20008028 18007FC0 01000000 00DC8028;", false, 0, 0},
      {"4 00E60020 ZZ 18007FC0 01000000 00DC8028 60400000;", false, 0, 0},
      {"?;", false, 0, 0},
      {"OK;", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    auto words = ParseRegisterReply(c.reply);
    ASSERT_EQ(words.has_value(), c.ok);
    if (words) {
      EXPECT_EQ((*words)[0], c.r0);
      EXPECT_EQ((*words)[5], c.r5);
    }
  }
}

// A typed set is read whole or not at all; a board's reply is read as "%X" does (above).
TEST(ReadRegisterSetText, TakesExactlyOneSetOfSixWordsOfAtMostEightDigits) {
  struct Case {
    const char* text;
    bool ok;
    int slot;
    uint32_t r0, r5;
  };
  const Case cases[] = {
      {"4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;", true, 4, 0x00E60020, 0x60400000},
      {"  0 1 2 3 4 5 6  ", true, 0, 1, 6},  // ";" not needed, blanks around
      {"2\t1\n2  3 4 5 6 ; ", true, 2, 1, 6},
      {"1 0xFFFFFFFF 2 3 4 5 0Xab;", true, 1, 0xFFFFFFFF, 0xAB},
      {"4 ffffffff 0 0 0 0 deadbeef;", true, 4, 0xFFFFFFFF, 0xDEADBEEF},
      {"4 100E60020 20008028 18007FC0 01000000 00DC8028 60400000;", false, 0, 0, 0},  // nine digits
      {"4 0x100E60020 2 3 4 5 6;", false, 0, 0, 0},
      {"4 1 2 3 4 5 600000000;", false, 0, 0, 0},
      {"4 00E60020 20008028 18007FC0 01000000 00DC8028;", false, 0, 0, 0},  // five words
      {"4 1 2 3 4 5 6 7;", false, 0, 0, 0},
      {"4 1 2 3 4 5 6;;", false, 0, 0, 0},
      {"4 1 2 3 4 5 6; 7", false, 0, 0, 0},
      {"4 1 2 3 4 5 6x", false, 0, 0, 0},
      {"4 1 2 3 4 5 0x", false, 0, 0, 0},
      {"4 1 2 3 4 5 -6", false, 0, 0, 0},
      {"41 2 3 4 5 6 7;", false, 0, 0, 0},  // the slot digit runs into the first word
      {"5 1 2 3 4 5 6;", false, 0, 0, 0},   // slots are 0 to 4
      {"OK;", false, 0, 0, 0},
      {"", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<RegisterSet> set = ReadRegisterSetText(c.text);
    ASSERT_EQ(set.has_value(), c.ok);
    if (set) {
      EXPECT_EQ(set->slot, c.slot);
      EXPECT_EQ(set->words[0], c.r0);
      EXPECT_EQ(set->words[5], c.r5);
    }
  }
}

TEST(FormatRegisterSet, RoundTripsThroughTheReply) {
  RegisterSet set{4, {0, 0xFFFFFFFF, 0xA, 0x1234, 0xABCDEF01, 7}};
  std::string text = FormatRegisterSet(set);
  EXPECT_EQ(text, "4 00000000 FFFFFFFF 0000000A 00001234 ABCDEF01 00000007;");
  EXPECT_EQ(ParseRegisterReply(text), set.words);
  ASSERT_TRUE(ReadRegisterSetText(text));
  EXPECT_EQ(ReadRegisterSetText(text)->words, set.words);
}

}  // namespace
}  // namespace korvane
