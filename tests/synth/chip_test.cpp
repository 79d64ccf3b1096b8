// Band limits, the reference rule, and the power levels each output offers.
#include "synth/chip.h"

#include <gtest/gtest.h>

#include <limits>
#include <span>
#include <string_view>
#include <vector>

namespace korvane {
namespace {

using enum Band;
using enum PowerLevel;

TEST(IsInBand, LimitsIncludeBothEnds) {
  struct Case {
    ChipType chip;
    Band band;
    double f;
    int inside;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {ChipType::Adf4350, Out1, 137.5, 1},   {ChipType::Adf4350, Out1, 4400, 1},
      {ChipType::Adf4350, Out1, 137.49, 0},  {ChipType::Adf4350, Out1, 4400.001, 0},
      {ChipType::Adf4351, Out1, 34.375, 1},  {ChipType::Adf4351, Out1, 34.37, 0},
      {ChipType::Max2871, Out1, 23.5, 1},    {ChipType::Max2871, Out1, 6000, 1},
      {ChipType::Max2871, Out1, 6000.1, 0},  {ChipType::Max2871, Out2, 5000, 1},
      {ChipType::Max2871, Out2, 12000, 1},   {ChipType::Max2871, Out2, 4999.9, 0},
      {ChipType::Adf4350, Out2, 8800, 1},    {ChipType::Adf4351, Out2, 8800, 1},
      {ChipType::Adf4351, Out2, 8800.5, 0},  {ChipType::Max2871, Out1, nan, 0},
      {ChipType::Max2871, Band{2}, 1000, 0}, {ChipType::Max2871, Band{-1}, 1000, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsInBand(c.chip, c.band, c.f), c.inside)
        << ChipName(c.chip) << " band " << static_cast<int>(c.band) << " f " << c.f;
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

std::vector<std::string_view> Labels(std::span<const PowerLevel> levels) {
  std::vector<std::string_view> labels;
  for (PowerLevel level : levels) labels.push_back(PowerLabel(level));
  return labels;
}

TEST(PowerLevels, TheMainOutputOffersEveryLevelTheSecondOnlyMinusOne) {
  for (ChipType chip : kChipTypes) {
    SCOPED_TRACE(ChipName(chip));
    EXPECT_EQ(Labels(PowerLevels(chip, Out1)),
              (std::vector<std::string_view>{"Off", "-4dBm", "-1dBm", "+2dBm", "+5dBm"}));
    EXPECT_EQ(Labels(PowerLevels(chip, Out2)), (std::vector<std::string_view>{"Off", "-1dBm"}));
    EXPECT_TRUE(PowerLevels(chip, static_cast<Band>(2)).empty());
  }
}

// What the power list did when the band list changed: a level the new output lacks becomes
// "-1dBm", "Off" stays "Off", and coming back to OUT1 keeps "-1dBm".
TEST(FitPowerLevel, KeepsWhatTheOutputOffersElseMinusOne) {
  struct Case {
    Band band;
    PowerLevel level, fitted;
  };
  const Case cases[] = {
      {Out2, Off, Off}, {Out2, Minus4, Minus1}, {Out2, Minus1, Minus1}, {Out2, Plus2, Minus1}, {Out2, Plus5, Minus1},
      {Out1, Off, Off}, {Out1, Minus4, Minus4}, {Out1, Minus1, Minus1}, {Out1, Plus2, Plus2},  {Out1, Plus5, Plus5},
  };
  for (ChipType chip : kChipTypes) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << ChipName(chip) << " " << BandLabel(c.band) << " " << PowerLabel(c.level));
      EXPECT_EQ(FitPowerLevel(chip, c.band, c.level), c.fitted);
    }
  }
}

TEST(NearestPowerLevel, NeverOffAndTiesGoLower) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    Band band;
    double dbm;
    PowerLevel nearest;
  };
  const Case cases[] = {
      {Out1, -1e9, Minus4}, {Out1, -4, Minus4},  {Out1, -2.5, Minus4},  // halfway between -4 and -1
      {Out1, -2.4, Minus1}, {Out1, 0.5, Minus1}, {Out1, 0.6, Plus2},   {Out1, 3.5, Plus2},
      {Out1, 3.51, Plus5},  {Out1, 1e9, Plus5},  {Out1, nan, Minus4},  {Out2, -1e9, Minus1},
      {Out2, 5, Minus1},    {Out2, 1e9, Minus1}, {Out2, nan, Minus1},
  };
  for (ChipType chip : kChipTypes) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << ChipName(chip) << " " << BandLabel(c.band) << " " << c.dbm);
      EXPECT_EQ(NearestPowerLevel(chip, c.band, c.dbm), c.nearest);
    }
  }
}

// Positions in a list and levels map one to one; a level the output lacks has no position.
TEST(PowerListIndex, AndPowerLevelAtAreInverse) {
  for (ChipType chip : kChipTypes) {
    for (Band band : kBands) {
      SCOPED_TRACE(testing::Message() << ChipName(chip) << " " << BandLabel(band));
      const int entries = static_cast<int>(PowerLevels(chip, band).size());
      for (int index = -2; index <= 6; ++index) {
        const std::optional<PowerLevel> level = PowerLevelAt(chip, band, index);
        EXPECT_EQ(level.has_value(), index >= 0 && index < entries) << index;
        if (level) {
          EXPECT_EQ(PowerListIndex(chip, band, *level), index);
        }
      }
      for (PowerLevel level : {Off, Minus4, Minus1, Plus2, Plus5}) {
        const int index = PowerListIndex(chip, band, level);
        EXPECT_EQ(index >= 0, FitPowerLevel(chip, band, level) == level) << PowerLabel(level);
      }
    }
  }
}

TEST(ChipFromName, AnyCaseOfTheThreeNames) {
  const struct {
    const char* name;
    std::optional<ChipType> chip;
  } cases[] = {
      {"adf4350", ChipType::Adf4350}, {"ADF4351", ChipType::Adf4351}, {"Max2871", ChipType::Max2871},
      {"max287", std::nullopt},       {"max28711", std::nullopt},     {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ChipFromName(c.name), c.chip) << c.name;
  for (ChipType chip : kChipTypes) EXPECT_EQ(ChipFromName(ChipName(chip)), chip);
}

}  // namespace
}  // namespace korvane
