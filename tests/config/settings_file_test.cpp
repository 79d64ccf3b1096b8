// A configuration file keeps a slot's output as the band list's entry and its power as the entry
// of that output's power list: what every stored value comes to, and saves that give back the
// bytes they read.
#include "config/settings_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace korvane::config {
namespace {

using enum Band;
using enum PowerLevel;

// Every slot in range, on both outputs, with the keys of a window's save.
constexpr char kEveryListEntry[] =
    "[SigGen]\r\nFreq=145.500\r\nPwr=3\r\nBand=0\r\n"
    "[Freqs]\r\nReference=26.000\r\nExtReference=1\r\n"
    "Freq1=10368.000\r\nPwr1=1\r\nBand1=1\r\nFreq2=2400.000\r\nPwr2=4\r\nBand2=0\r\n"
    "Freq3=5760.000\r\nPwr3=0\r\nBand3=1\r\nFreq4=432.100\r\nPwr4=1\r\nBand4=0\r\n"
    "[Beacon]\r\nBeacon=1\r\nScan=0\r\nPin1_2=1\r\nSpeed=12.5\r\nText=CQ DE TEST\r\n";

TEST(SettingsFile, ASaveOfWhatWasLoadedGivesBackTheSameBytes) {
  for (ChipType chip : kChipTypes) {
    PanelSettings current;
    current.chip = chip;
    ProfileFile profile = ProfileFile::Parse(kEveryListEntry);
    const PanelSettings loaded = LoadSettings(profile, current);
    EXPECT_EQ(loaded.freqSlots[4].power, Plus2);
    EXPECT_EQ(loaded.freqSlots[0].band, Out2);
    EXPECT_EQ(loaded.freqSlots[0].power, Minus1);
    EXPECT_EQ(loaded.freqSlots[1].power, Plus5);
    EXPECT_EQ(loaded.freqSlots[3].power, Minus4);
    EXPECT_EQ(loaded.pinFunction, PinFunction::CwKeying);
    StoreSettings(loaded, true, profile);
    EXPECT_EQ(profile.Serialize(), kEveryListEntry) << ChipName(chip);
  }
}

// Hand-edited and foreign files: the level and output each stored pair has always given the
// board, and what a save writes back for it.
TEST(SettingsFile, StoredEntriesBecomeTheLevelsTheBoardGets) {
  struct Case {
    const char* band;  // nullptr: no key
    const char* power;
    Band loadedBand;
    PowerLevel loadedPower;
    const char* savedBand;
    const char* savedPower;
  };
  const Case cases[] = {
      {"0", "0", Out1, Off, "0", "0"},
      {"0", "1", Out1, Minus4, "0", "1"},
      {"0", "2", Out1, Minus1, "0", "2"},
      {"0", "3", Out1, Plus2, "0", "3"},
      {"0", "4", Out1, Plus5, "0", "4"},
      {"1", "0", Out2, Off, "1", "0"},
      {"1", "1", Out2, Minus1, "1", "1"},
      // The second output's list takes any level above "Off" as its "-1dBm".
      {"1", "3", Out2, Minus1, "1", "1"},
      {"1", "4", Out2, Minus1, "1", "1"},
      {"1", "99", Out2, Minus1, "1", "1"},
      // An entry the list does not have leaves it without a selection: the output is off.
      {"0", "5", Out1, Off, "0", "0"},
      {"0", "-1", Out1, Off, "0", "0"},
      {"1", "-2", Out2, Off, "1", "0"},
      {"0", "two", Out1, Off, "0", "0"},
      // A band the list does not have: the slot went out on OUT1, and the entry of the second
      // output's list chosen for it as that entry of OUT1's.
      {"7", "4", Out1, Minus4, "0", "1"},
      {"-1", "1", Out1, Minus4, "0", "1"},
      {"2", "0", Out1, Off, "0", "0"},
      {"2", "-3", Out1, Off, "0", "0"},
      // Missing keys: "+5dBm" on OUT1, which the second output makes "-1dBm".
      {nullptr, nullptr, Out1, Plus5, "0", "4"},
      {"1", nullptr, Out2, Minus1, "1", "1"},
      {nullptr, "2", Out1, Minus1, "0", "2"},
  };
  for (ChipType chip : kChipTypes) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << ChipName(chip) << " Band=" << (c.band ? c.band : "(none)")
                                      << " Pwr=" << (c.power ? c.power : "(none)"));
      std::string text = "[SigGen]\n";
      if (c.band) text += std::string("Band=") + c.band + "\n";
      if (c.power) text += std::string("Pwr=") + c.power + "\n";
      text += "[Freqs]\n";
      if (c.band) text += std::string("Band3=") + c.band + "\n";
      if (c.power) text += std::string("Pwr3=") + c.power + "\n";
      ProfileFile profile = ProfileFile::Parse(text);
      PanelSettings current;
      current.chip = chip;
      const PanelSettings loaded = LoadSettings(profile, current);
      for (size_t slot : {size_t{2}, size_t{4}}) {
        EXPECT_EQ(loaded.freqSlots[slot].band, c.loadedBand) << slot;
        EXPECT_EQ(loaded.freqSlots[slot].power, c.loadedPower) << slot;
      }
      StoreSettings(loaded, true, profile);
      EXPECT_EQ(profile.Find("SigGen", "Band"), std::optional<std::string>(c.savedBand));
      EXPECT_EQ(profile.Find("SigGen", "Pwr"), std::optional<std::string>(c.savedPower));
      EXPECT_EQ(profile.Find("Freqs", "Band3"), std::optional<std::string>(c.savedBand));
      EXPECT_EQ(profile.Find("Freqs", "Pwr3"), std::optional<std::string>(c.savedPower));
    }
  }
}

TEST(SettingsFile, PinFunctionOtherThanOneIsFreqCode) {
  const struct {
    const char* stored;
    PinFunction loaded;
    const char* saved;
  } cases[] = {{"0", PinFunction::FreqCode, "0"},
               {"1", PinFunction::CwKeying, "1"},
               {"2", PinFunction::FreqCode, "0"},
               {"-1", PinFunction::FreqCode, "0"}};
  for (const auto& c : cases) {
    ProfileFile profile = ProfileFile::Parse(std::string("[Beacon]\nPin1_2=") + c.stored + "\n");
    const PanelSettings loaded = LoadSettings(profile, PanelSettings{});
    EXPECT_EQ(loaded.pinFunction, c.loaded) << c.stored;
    StoreSettings(loaded, false, profile);
    EXPECT_EQ(profile.Find("Beacon", "Pin1_2"), std::optional<std::string>(c.saved)) << c.stored;
  }
}

// Expert settings round trip in their own section; older files, files for another chip and slots
// reset to Korvane's values load and save without them.
TEST(SettingsFile, OverridesRoundTripInTheirOwnSection) {
  PanelSettings settings = LoadSettings(ProfileFile::Parse(kEveryListEntry), PanelSettings{});
  ASSERT_EQ(settings.chip, ChipType::Max2871);
  settings.freqSlots[2].overrides = {{Field::NoiseMode, 3}, {Field::ChargePumpCurrent, 7}};
  settings.slot(Slot::SigGen).overrides = {{Field::MuteTillLockDetect, 1}};
  ProfileFile profile = ProfileFile::Parse(kEveryListEntry);
  StoreSettings(settings, true, profile);
  const std::string saved = profile.Serialize();
  EXPECT_EQ(saved, std::string(kEveryListEntry) + "[Fields]\r\nChip=MAX2871\r\nF3=SDN=3;CP=7\r\nSigGen=MTLD=1\r\n");

  const PanelSettings loaded = LoadSettings(ProfileFile::Parse(saved), PanelSettings{});
  for (int s = 0; s < kSlotCount; ++s) {
    EXPECT_EQ(loaded.freqSlots[static_cast<size_t>(s)].overrides, settings.freqSlots[static_cast<size_t>(s)].overrides)
        << s;
  }
  PanelSettings adf;
  adf.chip = ChipType::Adf4351;
  EXPECT_TRUE(LoadSettings(ProfileFile::Parse(saved), adf).freqSlots[2].overrides.empty());
  // CP names a field of both chips: its value is kept only for the chip the section was written for.
  for (const char* chip : {"MAX2871", "ADF4351"}) {
    const ProfileFile other = ProfileFile::Parse(std::string("[Fields]\nChip=") + chip + "\nF1=CP=5\n");
    const FieldOverrides expected =
        std::string(chip) == "MAX2871" ? FieldOverrides{{Field::ChargePumpCurrent, 5}} : FieldOverrides{};
    EXPECT_EQ(LoadSettings(other, PanelSettings{}).freqSlots[0].overrides, expected) << chip;
  }
  // Names the chip lacks, computed fields and values that are no number are left out.
  const ProfileFile hand = ProfileFile::Parse("[Fields]\nChip=max2871\nF1=sdn=2;N=500;CP=lots;BOGUS=1;LD=high\n");
  EXPECT_EQ(LoadSettings(hand, {}).freqSlots[0].overrides,
            (FieldOverrides{{Field::NoiseMode, 2}, {Field::LockDetectPin, 3}}));

  // Resetting every slot clears what the earlier save wrote, and a later load finds none.
  for (SlotSettings& slot : settings.freqSlots) slot.overrides.clear();
  ProfileFile again = ProfileFile::Parse(saved);
  StoreSettings(settings, true, again);
  EXPECT_EQ(again.Serialize(), std::string(kEveryListEntry) + "[Fields]\r\nChip=MAX2871\r\nF3=\r\nSigGen=\r\n");
  for (const SlotSettings& slot : LoadSettings(again, PanelSettings{}).freqSlots) EXPECT_TRUE(slot.overrides.empty());
}

}  // namespace
}  // namespace korvane::config
