// The front ends' entry: slot commands, achieved frequencies and error tooltips in either mode.
#include "synth/solve_mode.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <random>
#include <string>

#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane {
namespace {

// What the window's tooltip of a real-frequency label reads in English.
std::string Tooltip(const SlotSolution& solved) {
  return solved.exact ? "exact" : FormatErrorHz(solved.errorHz) + " from " + FormatFixed(solved.wanted, 6) + " MHz";
}

using enum Band;
using enum PowerLevel;

SolveReference Accept(const char* text, ChipType chip) {
  SolveReference reference{text};
  AcceptReference(text, chip, reference.refDivisor, reference.pfd);
  return reference;
}

TEST(BuildSlotCommand, BothModes) {
  struct Case {
    ChipType chip;
    const char* reference;
    int slot;
    Band band;
    PowerLevel power;
    const char* frequency;
    const char* classic;
    const char* exact;  // nullptr: the same as classic
  };
  const Case cases[] = {
      // The classic search misses 2/5; the exact solver sends it.
      {ChipType::Max2871, "10", 0, Out2, Minus1, "10368", "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;",
       "0 01030010 20008028 18007FC0 01000000 008C8140 60400000;"},
      {ChipType::Max2871, "10", 2, Out1, Minus1, "1296", "2 01033328 2000FFE8 18007FC0 01000000 00AC8028 60400000;",
       "2 01030010 20008028 18007FC0 01000000 00AC8028 60400000;"},
      // Where the classic search is already exact, both send the same words.
      {ChipType::Max2871, "10", 1, Out1, Minus1, "5760", "1 81200000 00008010 18007EC0 01000000 008C8028 60400000;",
       nullptr},
      {ChipType::Max2871, "10", 2, Out1, Off, "144", "2 00000000 20008028 18007FC0 01000000 00DC8000 60400000;",
       nullptr},
      {ChipType::Adf4350, "10", 4, Out1, Plus5, "2200", "4 006E0000 08008010 18007EC0 00000000 00878038 00400000;",
       nullptr},
      {ChipType::Adf4351, "25", 0, Out1, Plus5, "50", "0 00A00000 08008010 1A017EC0 00000000 00E78038 00400000;",
       nullptr},
      // Text that is no number stands for 180 MHz in both modes.
      {ChipType::Max2871, "10", 4, Out1, Minus1, "abc", "4 81200000 00008010 18007EC0 01000000 00DC8028 60400000;",
       nullptr},
      // 5.05 MHz: both find 27/101, but 10.1 MHz in doubles is a hair low and loses a band-select step.
      {ChipType::Max2871, "5.05", 2, Out1, Minus1, "1296", "2 010080D8 20008328 1A007FC0 01000000 00AC9028 60400000;",
       "2 010080D8 20008328 1A007FC0 01000000 00ACA028 60400000;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frequency << " at " << c.reference);
    SolveReference reference = Accept(c.reference, c.chip);
    ASSERT_GT(reference.refDivisor, 0);
    EXPECT_EQ(BuildSlotCommand(SolveMode::Classic, c.slot, c.chip, c.frequency, c.band, c.power, reference), c.classic);
    EXPECT_EQ(BuildSlotCommand(SolveMode::Exact, c.slot, c.chip, c.frequency, c.band, c.power, reference),
              c.exact ? c.exact : c.classic);
  }
}

TEST(SolveSlot, AchievedFrequencyAndTooltip) {
  struct Case {
    SolveMode mode;
    Band band;
    const char* frequency;
    const char* reference;  // MAX2871
    const char* achieved;   // "%.6f"
    const char* tooltip;
  };
  const Case cases[] = {
      {SolveMode::Classic, Out1, "1296", "10", "1295.999878", "-122.2 Hz from 1296.000000 MHz"},
      {SolveMode::Exact, Out1, "1296", "10", "1296.000000", "exact"},
      {SolveMode::Classic, Out2, "10368", "10", "10367.999023", "-977.3 Hz from 10368.000000 MHz"},
      {SolveMode::Exact, Out2, "10368", "10", "10368.000000", "exact"},
      {SolveMode::Classic, Out1, "5760", "10", "5760.000000", "exact"},
      // The exact solver picks the nearer fraction even where it lands above the wanted frequency.
      {SolveMode::Classic, Out1, "1296.0001", "10", "1296.000000", "-100.0 Hz from 1296.000100 MHz"},
      {SolveMode::Exact, Out1, "1296.0001", "10", "1296.000122", "22.2 Hz from 1296.000100 MHz"},
      // Sizes one decimal would hide: a millihertz, and a frequency far beyond the chip.
      {SolveMode::Exact, Out1, "1296.000000001", "10", "1296.000000", "-1.0e-03 Hz from 1296.000000 MHz"},
      {SolveMode::Classic, Out1, "1e13", "10", "40910.000000", "-1.0e+19 Hz from 10000000000000.000000 MHz"},
      // Digits past the 19th are below what is kept: not claimed as exact.
      {SolveMode::Exact, Out1, "1296.000000000000000000001", "10", "1296.000000", "0.0e+00 Hz from 1296.000000 MHz"},
      // A reference text that refDivisor cannot have come from leaves the exact mode nothing to read.
      {SolveMode::Exact, Out1, "1296", "", "1295.999878", "-122.2 Hz from 1296.000000 MHz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frequency << (c.mode == SolveMode::Exact ? " exact" : " classic"));
    SolveReference reference = Accept(c.reference, ChipType::Max2871);
    if (reference.refDivisor == 0) reference = {c.reference, 2, 10.0};
    std::optional<SlotSolution> solved = SolveSlot(c.mode, ChipType::Max2871, c.band, c.frequency, reference);
    ASSERT_TRUE(solved);
    EXPECT_EQ(FormatFixed(solved->achieved, 6), c.achieved);
    EXPECT_EQ(Tooltip(*solved), c.tooltip);
  }
  EXPECT_FALSE(SolveSlot(SolveMode::Exact, ChipType::Max2871, Out1, "abc", Accept("10", ChipType::Max2871)));
  EXPECT_FALSE(SolveSlot(SolveMode::Classic, ChipType::Max2871, Out1, "inf", Accept("10", ChipType::Max2871)));
}

// Whatever lands in a frequency field ("1e300", "-0", 30 digits, "9e-999999"), both modes send a whole set
// and report a finite error; the sanitizer build checks the arithmetic on the way.
TEST(SolveSlot, AnyTextGivesAWholeSetAndAFiniteError) {
  const std::string alphabet = "0123456789.e-+9 ";
  const char* const fixed[] = {"1e300",
                               "-1e300",
                               "1e-300",
                               "9e-999999",
                               "1.7976931348623157e308",
                               "0",
                               "-0.0",
                               "12345678901234567890123456789",
                               "0.0000000000000000000000000001296"};
  std::mt19937 random(5);
  std::uniform_int_distribution<size_t> length(1, 30), pick(0, alphabet.size() - 1);
  std::vector<std::string> texts(std::begin(fixed), std::end(fixed));
  for (int i = 0; i < 1000; ++i) {
    std::string text;
    for (size_t n = length(random); n > 0; --n) text.push_back(alphabet[pick(random)]);
    texts.push_back(text);
  }
  for (ChipType chip : {ChipType::Adf4350, ChipType::Adf4351, ChipType::Max2871}) {
    SolveReference reference = Accept("26", chip);
    for (const std::string& text : texts) {
      for (Band band : kBands) {
        for (SolveMode mode : {SolveMode::Classic, SolveMode::Exact}) {
          std::string command = BuildSlotCommand(mode, 4, chip, text, band, Minus4, reference);
          ASSERT_TRUE(ParseRegisterReply(command)) << '"' << text << '"';
          std::optional<SlotSolution> solved = SolveSlot(mode, chip, band, text, reference);
          if (!solved) continue;
          ASSERT_TRUE(std::isfinite(solved->errorHz)) << '"' << text << '"';
          ASSERT_GE(solved->solution.MOD, 2) << '"' << text << '"';
        }
      }
    }
  }
}

TEST(SolveSlot, IgnoresADecimalCommaLocale) {
  const char* saved = std::setlocale(LC_ALL, nullptr);
  std::string previous = saved ? saved : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  SolveReference reference = Accept("10", ChipType::Max2871);
  std::optional<SlotSolution> classic = SolveSlot(SolveMode::Classic, ChipType::Max2871, Out1, "432.05", reference);
  std::optional<SlotSolution> exact = SolveSlot(SolveMode::Exact, ChipType::Max2871, Out1, "432.05", reference);
  std::optional<SlotSolution> tiny = SolveSlot(SolveMode::Exact, ChipType::Max2871, Out1, "1296.000000001", reference);
  std::string classicText = classic ? Tooltip(*classic) : "";
  std::string exactText = exact ? Tooltip(*exact) : "";
  std::string tinyText = tiny ? Tooltip(*tiny) : "";
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(classicText, "-12.2 Hz from 432.050000 MHz");
  EXPECT_EQ(exactText, "exact");
  EXPECT_EQ(tinyText, "-1.0e-03 Hz from 1296.000000 MHz");
}

}  // namespace
}  // namespace korvane
