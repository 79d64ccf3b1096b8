// What a board's identity allows, the chip choice's names, and the output a frequency takes.
#include "session/board_facts.h"

#include <gtest/gtest.h>

namespace korvane::session {
namespace {

TEST(BoardFacts, TheIdentityDecidesWhatTheBoardOffers) {
  const struct {
    int hw, fwMajor, sSuffix;
    bool second, ext, source, lock;
    Identification identification;
    bool fixedReference, firmware;
  } cases[] = {
      {1, 1, 0, false, false, false, false, Identification::HwTooOld, false, false},
      {2, 2, 1, true, true, true, false, Identification::HwTooOld, false, false},
      {3, 0, 0, false, true, true, false, Identification::FwTooOld, false, true},
      {3, 3, 1, true, true, true, true, Identification::Possible, false, true},
      {4, 0, 0, false, true, true, true, Identification::Possible, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "hw " << c.hw << " fw " << c.fwMajor << " s " << c.sSuffix);
    link::BoardIdentity id;
    id.hwVersion = c.hw;
    id.fwMajor = c.fwMajor;
    id.sSuffix = c.sSuffix;
    const BoardCapabilities caps = CapabilitiesOf(id);
    EXPECT_EQ(caps.secondOutput, c.second);
    EXPECT_EQ(caps.extReference, c.ext);
    EXPECT_EQ(caps.referenceSource, c.source);
    EXPECT_EQ(caps.lockQuery, c.lock);
    EXPECT_EQ(caps.identification, c.identification);
    EXPECT_EQ(caps.fixedProbeReference, c.fixedReference);
    EXPECT_EQ(caps.firmwareInfo, c.firmware);
    EXPECT_EQ(caps.firmwareUpdate, c.firmware);
  }
}

TEST(BoardFacts, ChipChoicesReadInAnyCaseAndNameTheirChip) {
  const struct {
    const char* name;
    std::optional<ChipChoice> choice;
    std::optional<ChipType> chip;
  } cases[] = {
      {"auto", ChipChoice::Auto, std::nullopt},
      {"Auto", ChipChoice::Auto, std::nullopt},
      {"adf4350", ChipChoice::Adf4350, ChipType::Adf4350},
      {"ADF4351", ChipChoice::Adf4351, ChipType::Adf4351},
      {"max2871", ChipChoice::Max2871, ChipType::Max2871},
      {"adf9999", std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt},
      {"max2871 ", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChipChoiceFromName(c.name), c.choice);
    if (!c.choice) continue;
    EXPECT_EQ(ChosenChip(*c.choice), c.chip);
    if (c.chip) {
      EXPECT_EQ(ChoiceOf(*c.chip), *c.choice);
    }
  }
}

TEST(BoardFacts, TheFrequencyChoosesTheOutputWithinWhatIsAllowed) {
  const struct {
    ChipType chip;
    bool second;
    double mhz;
    OutputChoice choice;
    std::optional<Band> band;
  } cases[] = {
      {ChipType::Max2871, true, 1296.0, OutputChoice::Auto, Band::Out1},
      {ChipType::Max2871, true, 5500.0, OutputChoice::Auto, Band::Out1},  // in both: OUT1 first
      {ChipType::Max2871, true, 5500.0, OutputChoice::Out2, Band::Out2},
      {ChipType::Max2871, true, 10368.0, OutputChoice::Auto, Band::Out2},
      {ChipType::Max2871, false, 10368.0, OutputChoice::Auto, std::nullopt},  // no second output
      {ChipType::Max2871, true, 10368.0, OutputChoice::Out1, std::nullopt},
      {ChipType::Max2871, true, 1296.0, OutputChoice::Out2, std::nullopt},
      {ChipType::Adf4351, true, 10.0, OutputChoice::Auto, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mhz << " MHz, choice " << static_cast<int>(c.choice));
    EXPECT_EQ(OutputFor(c.chip, c.second, c.mhz, c.choice), c.band);
  }
  // Before a connect every board the choice allows counts, with both outputs.
  EXPECT_TRUE(AnyBoardMakes(ChipChoice::Auto, OutputChoice::Auto, 30.0));  // the MAX2871 alone
  EXPECT_FALSE(AnyBoardMakes(ChipChoice::Adf4351, OutputChoice::Auto, 30.0));
  EXPECT_TRUE(AnyBoardMakes(ChipChoice::Max2871, OutputChoice::Auto, 10368.0));
  EXPECT_FALSE(AnyBoardMakes(ChipChoice::Adf4350, OutputChoice::Auto, 10368.0));
  EXPECT_FALSE(AnyBoardMakes(ChipChoice::Auto, OutputChoice::Out1, 10368.0));
}

}  // namespace
}  // namespace korvane::session
