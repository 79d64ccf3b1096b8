// "Save config..." and "Load config...": files written from the panel and panels filled
// from files, including files written by hand or by older versions.
#include <array>
#include <cerrno>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "panel_fixture.h"
#include "support/virtual_board.h"
#include "synth/register_set.h"

namespace korvane::testing {
namespace {

using test::VirtualBoard;

// Everything a configuration file carries, as the panel holds it.
struct PanelState {
  std::string reference, speed, text;
  std::array<std::string, kSlotCount> frequencies;
  std::array<Band, kSlotCount> bands{};
  std::array<PowerLevel, kSlotCount> powers{};
  std::array<std::vector<std::string>, kSlotCount> powerEntries;
  PinFunction pinFunction = PinFunction::FreqCode;
  bool extReference = false, beacon = false, scan = false, beaconSettings = false;
  bool operator==(const PanelState&) const = default;
};

class ConfigOpsTest : public ConfigPanelTest {
 protected:
  PanelState State() const {
    PanelState state{model().reference(), model().speed(), model().text()};
    for (int s = 0; s < kSlotCount; ++s) {
      const auto i = static_cast<size_t>(s);
      state.frequencies[i] = model().slot(SlotAt(s)).rf;
      state.bands[i] = model().slot(SlotAt(s)).band;
      state.powers[i] = model().slot(SlotAt(s)).power;
      state.powerEntries[i] = PowerLabels(s);
    }
    state.pinFunction = model().pinFunction();
    state.extReference = model().extReference();
    state.beacon = model().beacon();
    state.scan = model().scan();
    state.beaconSettings = model().controls().beaconSettings;
    return state;
  }

  // A panel far from every default, on a board with the second output band.
  void SetEverything() {
    dlg.OnFrequencyEdited(Slot::SigGen, "145.500");
    dlg.OnPowerChosen(Slot::SigGen, PowerLevel::Minus1);
    dlg.OnReferenceEdited("26.000");
    dlg.OnExtReferenceClicked(true);
    dlg.OnBandChosen(Slot::F1, Band::Out2);
    dlg.OnPowerChosen(Slot::F1, PowerLevel::Minus1);
    dlg.OnFrequencyEdited(Slot::F1, "10368.000");
    dlg.OnBandChosen(Slot::F2, Band::Out1);
    dlg.OnFrequencyEdited(Slot::F2, "2400.000");
    dlg.OnPowerChosen(Slot::F2, PowerLevel::Plus2);
    dlg.OnFrequencyEdited(Slot::F3, "");
    dlg.OnPowerChosen(Slot::F3, PowerLevel::Off);
    dlg.OnFrequencyEdited(Slot::F4, "432.100");
    dlg.OnPowerChosen(Slot::F4, PowerLevel::Plus5);
    dlg.EnableBeaconControls(true);
    dlg.OnScanClicked(true);
    dlg.OnPinFunctionChosen(PinFunction::CwKeying);
    dlg.OnSpeedEdited("12.5");
    dlg.OnTextEdited("CQ CQ DE TEST #5000");
  }

  void ExpectMessage(const std::string& fragment) {
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_NE(surface.messages[0].text.find(fragment), std::string::npos) << surface.messages[0].text;
    EXPECT_EQ(surface.messages[0].caption, "");
    EXPECT_EQ(surface.messages[0].icon, MessageIcon::Information);
    surface.messages.clear();
  }
};

constexpr char kEverythingFile[] =
    "[SigGen]\nFreq=145.500\nPwr=2\nBand=0\n"
    "[Freqs]\nReference=26.000\nExtReference=1\n"
    "Freq1=10368.000\nPwr1=1\nBand1=1\nFreq2=2400.000\nPwr2=3\nBand2=0\n"
    "Freq3=\nPwr3=0\nBand3=0\nFreq4=432.100\nPwr4=4\nBand4=0\n"
    "[Beacon]\nBeacon=1\nScan=1\nPin1_2=1\nSpeed=12.5\nText=CQ CQ DE TEST #5000\n";

TEST_F(ConfigOpsTest, SaveChangeLoadGivesBackEveryControl) {
  Connect("Demo");
  SetEverything();
  const PanelState saved = State();
  SaveConfigTo(Path("bench.kvini"));
  EXPECT_TRUE(surface.messages.empty());
  EXPECT_EQ(Contents(Path("bench.kvini")), kEverythingFile);

  LoadConfigFrom(Path("missing.kvini"));
  EXPECT_NE(State(), saved);
  LoadConfigFrom(Path("bench.kvini"));
  EXPECT_TRUE(surface.messages.empty());
  EXPECT_EQ(State(), saved);

  // The load reaches the board as live tuning does, half a second later.
  ASSERT_TRUE(surface.FireTimer());
  EXPECT_EQ(demo.Entry('R'), "R  26.000000 E;");
  EXPECT_EQ(demo.Entry('4'), BuildSlotCommand(4, dlg.model().chip(), "145.500", Band::Out1, PowerLevel::Minus1,
                                              dlg.model().refDivisor(), dlg.model().pfd()));
}

TEST_F(ConfigOpsTest, MissingFileLoadsTheDefaults) {
  Connect("Demo");
  SetEverything();
  LoadConfigFrom(Path("nowhere.kvini"));
  EXPECT_TRUE(surface.messages.empty());
  const std::vector<std::pair<std::string, std::string>> texts = {
      {model().slot(Slot::SigGen).rf, "180.000"},
      {model().reference(), "10.000"},
      {model().slot(Slot::F1).rf, "1152.000"},
      {model().slot(Slot::F2).rf, "1296.000"},
      {model().slot(Slot::F3).rf, "404.000"},
      {model().slot(Slot::F4).rf, "432.000"},
      {model().speed(), "20.0"},
      {model().text(), "TEST TEST #5000 &1000"},
  };
  for (const auto& [shown, text] : texts) EXPECT_EQ(shown, text);
  for (int s = 0; s < kSlotCount; ++s) {
    EXPECT_EQ(PowerLabel(model().slot(SlotAt(s)).power), "+5dBm") << s;
    EXPECT_EQ(BandLabel(model().slot(SlotAt(s)).band), "OUT1 <6GHz") << s;
  }
  EXPECT_FALSE(model().extReference());
  EXPECT_FALSE(model().beacon());
  EXPECT_FALSE(model().scan());
  EXPECT_FALSE(model().controls().beaconSettings);
  EXPECT_EQ(model().pinFunction(), PinFunction::FreqCode);
  EXPECT_TRUE(surface.TimerArmed());
}

TEST_F(ConfigOpsTest, HandWrittenAndWindowsFilesLoadAsMeant) {
  Connect("Demo");  // F1 is on the second band with its two-entry power list
  Put(Path("hand.kvini"),
      "; bench set-up, edited by hand\r\n"
      "[ siggen ]\r\n"
      "  FREQ =  \"1000.250\" \r\n"
      "pwr = 1\r\n"
      "# the reference\r\n"
      "[FREQS]\r\n"
      "reference= 20 \r\n"
      "ExtReference=10\r\n"
      "Band1=0\r\n"
      "Pwr1=4\r\n"
      "Freq1 = 1152.5\r\n"
      "Pwr2=2abc\r\n"
      "Band3=1\r\n"
      "Pwr3=3\r\n"
      "[beacon]\r\n"
      "Beacon = 0\r\n"
      "Pin1_2=1\r\n"
      "Text=Gr\xFC\xDF"
      "e aus K\xF6ln\r\n"
      "Speed=\r\n");
  LoadConfigFrom(Path("hand.kvini"));
  EXPECT_TRUE(surface.messages.empty());
  EXPECT_EQ(model().slot(Slot::SigGen).rf, "1000.250");
  EXPECT_EQ(PowerLabel(model().slot(Slot::SigGen).power), "-4dBm");
  EXPECT_EQ(model().reference(), "20");
  EXPECT_EQ(dlg.model().refDivisor(), 4);
  EXPECT_TRUE(model().extReference()) << "10 begins with 1";
  EXPECT_EQ(model().slot(Slot::F1).rf, "1152.5");
  EXPECT_EQ(BandLabel(model().slot(Slot::F1).band), "OUT1 <6GHz");
  EXPECT_EQ(PowerLevels(model().chip(), model().slot(Slot::F1).band).size(), 5u);
  EXPECT_EQ(PowerLabel(model().slot(Slot::F1).power), "+5dBm") << "the loaded level stands across the band change";
  EXPECT_EQ(PowerLabel(model().slot(Slot::F2).power), "-1dBm");
  EXPECT_FALSE(model().beacon());
  EXPECT_FALSE(model().controls().beaconSettings);
  EXPECT_EQ(model().pinFunction(), PinFunction::CwKeying) << "applied after the beacon controls were reset";
  EXPECT_EQ(model().text(),
            "Gr\xC3\xBC\xC3\x9F"
            "e aus K\xC3\xB6ln");
  EXPECT_EQ(model().speed(), "") << "an empty value is not a missing one";
  EXPECT_EQ(model().slot(Slot::F3).rf, "404.000");
  EXPECT_EQ(PowerLevels(model().chip(), model().slot(Slot::F3).band).size(), 2u);
  EXPECT_EQ(PowerLabel(model().slot(Slot::F3).power), "-1dBm") << "a level above Off on the second band";

  // What the first character of "ExtReference" and the number of "Beacon" decide.
  const struct {
    const char* ext;
    const char* beacon;
    bool checked;
    bool beaconOn;
  } cases[] = {{"1", "1", true, true}, {"yes", "2", false, true}, {"01", "x", false, false}, {"", "-1", false, true}};
  for (const auto& c : cases) {
    Put(Path("flags.kvini"), std::string("[Freqs]\nExtReference=") + c.ext + "\n[Beacon]\nBeacon=" + c.beacon + "\n");
    LoadConfigFrom(Path("flags.kvini"));
    EXPECT_EQ(model().extReference(), c.checked) << c.ext;
    EXPECT_EQ(model().beacon(), c.beaconOn) << c.beacon;
    EXPECT_EQ(model().controls().beaconSettings, c.beaconOn) << c.beacon;
  }
}

TEST_F(ConfigOpsTest, SaveWithoutSecondBandKeepsBandKeysOfAnEarlierSave) {
  VirtualBoard board({.hwTag = "v3."});
  Connect(board.path());
  const std::string earlier =
      "[SigGen]\r\nFreq=100.000\r\nPwr=4\r\nBand=1\r\n"
      "[Notes]\r\n; kept as it is\r\nOwner=lab 3\r\n"
      "[Freqs]\r\nBand1=1\r\nPwr1=1\r\n";
  Put(Path("shared.kvini"), earlier);
  dlg.OnFrequencyEdited(Slot::F1, "5000.000");
  dlg.OnPowerChosen(Slot::F3, PowerLevel::Off);  // that output switched off
  SaveConfigTo(Path("shared.kvini"));
  EXPECT_TRUE(surface.messages.empty());
  const std::string file = Contents(Path("shared.kvini"));
  // The band keys already there stay; no others are added. New keys follow the file's
  // line ends.
  EXPECT_EQ(file,
            "[SigGen]\r\nFreq=144.000000\r\nPwr=2\r\nBand=1\r\n"
            "[Notes]\r\n; kept as it is\r\nOwner=lab 3\r\n"
            "[Freqs]\r\nBand1=1\r\nPwr1=1\r\nReference=10.000000\r\nExtReference=0\r\nFreq1=5000.000\r\n"
            "Freq2=5760.000000\r\nPwr2=2\r\nFreq3=1295.999878\r\nPwr3=0\r\nFreq4=432.000000\r\nPwr4=2\r\n"
            "[Beacon]\r\nBeacon=0\r\nScan=0\r\nPin1_2=0\r\nSpeed=0.9\r\nText=test de qx9abc #5000\r\n");

  // The kept band keys are applied whatever the board.
  LoadConfigFrom(Path("shared.kvini"));
  EXPECT_EQ(BandLabel(model().slot(Slot::F1).band), "OUT2 5..12GHz");
  EXPECT_EQ(BandLabel(model().slot(Slot::SigGen).band), "OUT2 5..12GHz");
  EXPECT_EQ(BandLabel(model().slot(Slot::F2).band), "OUT1 <6GHz");

  SaveConfigTo(Path("fresh.kvini"));
  EXPECT_EQ(Contents(Path("fresh.kvini")).find("Band"), std::string::npos);
}

TEST_F(ConfigOpsTest, FilesThatCannotBeWrittenOrReadAreReportedAndLoseNothing) {
  Connect("Demo");
  SetEverything();
  const std::string existing = Path("keep.kvini");
  Put(existing, "[Freqs]\nReference=10.000\n");
  std::filesystem::create_directory(Path("folder.kvini"));

  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {Path("no/such/folder.kvini"), "No such file or directory"},
      {Path("folder.kvini"), "it is a directory, not a regular file"},
  };
  for (const auto& c : cases) {
    SaveConfigTo(c.path);
    ExpectMessage("\"" + c.path + "\": " + c.reason);
  }
  EXPECT_EQ(Contents(existing), "[Freqs]\nReference=10.000\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);

  const PanelState before = State();
  LoadConfigFrom(Path("folder.kvini"));
  ExpectMessage("\"" + Path("folder.kvini") + "\": it is a directory, not a regular file");
  EXPECT_EQ(State(), before);
}

TEST_F(ConfigOpsTest, DialogsOfferConfigFilesAndCancelDoesNothing) {
  Connect("Demo");
  const PanelState before = State();
  dlg.OnSaveConfig();  // no answer queued: the user cancels
  dlg.OnLoadConfig();
  ASSERT_EQ(surface.fileDialogs.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(surface.fileDialogs[i].filterName, "Korvane ini files (*.kvini)");
    EXPECT_EQ(surface.fileDialogs[i].pattern, "*.kvini");
    EXPECT_EQ(surface.fileDialogs[i].defaultExtension, "kvini");
    EXPECT_EQ(surface.fileDialogs[i].save, i == 0);
  }
  EXPECT_EQ(State(), before);
  EXPECT_TRUE(surface.messages.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
}

TEST_F(ConfigOpsTest, BeaconTextOnSeveralLinesIsSavedAsOneLine) {
  Connect("Demo");
  dlg.OnTextEdited("CQ CQ\r\nDE TEST\nK");
  SaveConfigTo(Path("lines.kvini"));
  const std::string file = Contents(Path("lines.kvini"));
  EXPECT_NE(file.find("\nText=CQ CQ DE TEST K\n"), std::string::npos) << file;
  LoadConfigFrom(Path("lines.kvini"));
  EXPECT_EQ(model().text(), "CQ CQ DE TEST K");
}

}  // namespace
}  // namespace korvane::testing
