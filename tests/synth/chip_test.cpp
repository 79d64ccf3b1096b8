// Band limits, the reference rule and the power list's contents per band.
#include "synth/chip.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace korvane {
namespace {

TEST(IsInBand, LimitsIncludeBothEnds) {
  struct Case {
    ChipType chip;
    Band band;
    double f;
    int inside;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {ChipType::Adf4350, 0, 137.5, 1},    {ChipType::Adf4350, 0, 4400, 1},   {ChipType::Adf4350, 0, 137.49, 0},
      {ChipType::Adf4350, 0, 4400.001, 0}, {ChipType::Adf4351, 0, 34.375, 1}, {ChipType::Adf4351, 0, 34.37, 0},
      {ChipType::Max2871, 0, 23.5, 1},     {ChipType::Max2871, 0, 6000, 1},   {ChipType::Max2871, 0, 6000.1, 0},
      {ChipType::Max2871, 1, 5000, 1},     {ChipType::Max2871, 1, 12000, 1},  {ChipType::Max2871, 1, 4999.9, 0},
      {ChipType::Adf4350, 1, 8800, 1},     {ChipType::Adf4351, 1, 8800, 1},   {ChipType::Adf4351, 1, 8800.5, 0},
      {ChipType::Max2871, 0, nan, 0},      {ChipType::Max2871, 2, 1000, 0},   {ChipType::Max2871, -1, 1000, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsInBand(c.chip, c.band, c.f), c.inside)
        << "chip " << static_cast<int>(c.chip) << " band " << c.band << " f " << c.f;
  }
}

TEST(AcceptReference, DivisorAndComparisonFrequency) {
  struct Case {
    const char* text;
    ChipType chip;
    int32_t refDivisor;
    double pfd;  // expected pfd; for an invalid reference the previous value 7.0 must stay
  };
  const Case cases[] = {
      {"10", ChipType::Max2871, 2, 10.0},
      {"25", ChipType::Max2871, 5, 10.0},
      {"26", ChipType::Max2871, 5, 10.4},
      {"9.99", ChipType::Max2871, 1, 19.98},
      {"5", ChipType::Max2871, 1, 10.0},
      {"250", ChipType::Adf4350, 50, 10.0},
      {"250", ChipType::Adf4351, 50, 10.0},
      {"250", ChipType::Max2871, 0, 7.0},
      {"210", ChipType::Max2871, 42, 10.0},
      {"210.01", ChipType::Max2871, 0, 7.0},
      {"4.99", ChipType::Adf4350, 0, 7.0},
      {"12MHz", ChipType::Max2871, 2, 12.0},
      {" 10.000000", ChipType::Max2871, 2, 10.0},
      {"MHz 12", ChipType::Max2871, 0, 7.0},
      {"", ChipType::Max2871, 0, 7.0},
      {"1e300", ChipType::Max2871, 0, 7.0},
      {"nan", ChipType::Adf4350, 0, 7.0},
      {"-10", ChipType::Adf4350, 0, 7.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t refDivisor = 99;
    double pfd = 7.0;
    AcceptReference(c.text, c.chip, refDivisor, pfd);
    EXPECT_EQ(refDivisor, c.refDivisor);
    EXPECT_DOUBLE_EQ(pfd, c.pfd);
  }
}

TEST(ListIndexToPowerLevel, BandOneOffersOnlyOffAndMinusOne) {
  EXPECT_EQ(ListIndexToPowerLevel(0, 4), 4);
  EXPECT_EQ(ListIndexToPowerLevel(0, 0), 0);
  EXPECT_EQ(ListIndexToPowerLevel(1, 1), 2);
  EXPECT_EQ(ListIndexToPowerLevel(1, 0), 0);
  EXPECT_EQ(ListIndexToPowerLevel(0, -1), 0);
  EXPECT_EQ(ListIndexToPowerLevel(1, -1), 0);
}

using Entries = std::vector<std::string>;
const Entries kFive = {"Off", "-4dBm", "-1dBm", "+2dBm", "+5dBm"};
const Entries kTwo = {"Off", "-1dBm"};

TEST(FitPowerList, FollowsTheBand) {
  struct Case {
    int band;
    Entries entries;
    int selection;
    bool changed;
    Entries after;
    int selectionAfter;
  };
  const Case cases[] = {
      {1, kFive, 4, true, kTwo, 1},                                  // "+5dBm" becomes "-1dBm"
      {1, kFive, 1, true, kTwo, 1},   {1, kFive, 0, true, kTwo, 0},  // "Off" survives
      {-1, kFive, 2, true, kTwo, 1},                                 // no band selection counts as not band 0
      {0, kTwo, 1, true, kFive, 2},                                  // back in band 0 "-1dBm" stays
      {0, kTwo, 0, true, kFive, 0},   {0, kTwo, -1, true, kFive, 0},
      {0, kFive, 3, false, kFive, 3},  // already fits
      {1, kTwo, 1, false, kTwo, 1},   {0, Entries{}, -1, false, Entries{}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "band " << c.band << " entries " << c.entries.size() << " sel " << c.selection);
    Entries entries = c.entries;
    int selection = c.selection;
    EXPECT_EQ(FitPowerList(c.band, entries, selection), c.changed);
    EXPECT_EQ(entries, c.after);
    EXPECT_EQ(selection, c.selectionAfter);
  }
}

}  // namespace
}  // namespace korvane
