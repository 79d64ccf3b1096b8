// "Save": what reaches the board, in which order, and what the user is told.
#include <algorithm>
#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "panel_fixture.h"
#include "session/board_session.h"
#include "support/virtual_board.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "synth/register_set.h"

namespace korvane::testing {
namespace {

using test::VirtualBoard;
using test::VirtualBoardOptions;

constexpr char kSaved[] =
    "Configuration was saved to flash memory!\n\nNOTE: Autonomus mode is activated only by powering synth board "
    "from the external power supply or USB charger. You can not activate autonomous mode if board is connected "
    "to the computer.";
constexpr char kOutOfBandPrefix[] =
    "SOME FREQUENCIES APPEARED OUTSIDE SYNTHESIZER CHIP BAND! YOUR CONFIGURATION MAY NOT WORK STABLE, OR MAY NOT "
    "WORK AT ALL!\n\n";
constexpr char kSaveError[] = "There was an error during saving parameters to flash memory!";
constexpr char kInvalidParameters[] = "Please enter valid parameters values! Can not save parameters to flash memory!";
constexpr char kInvalid[] = "Please enter valid parameters values! Can not save parameters to flash memory!";

class SaveFlashTest : public ConfigPanelTest {
 protected:
  // Clicks "Save" and returns what the board received.
  std::vector<std::string> Save(VirtualBoard& board) {
    board.ClearLog();
    surface.messages.clear();
    dlg.OnSaveToFlash();
    return board.Log();
  }
  std::string SlotCommand(int slot) const {
    const panel::SlotState& s = dlg.model().slot(SlotAt(slot));
    return BuildSlotCommand(slot, dlg.model().chip(), s.frequency, s.band, s.power, dlg.model().refDivisor(),
                            dlg.model().pfd());
  }
  // The one command of the log that starts with the prefix.
  static std::string Sent(const std::vector<std::string>& log, const std::string& prefix) {
    std::string found;
    for (const std::string& command : log) {
      if (command.rfind(prefix, 0) == 0) {
        EXPECT_TRUE(found.empty()) << "sent twice: " << prefix;
        found = command;
      }
    }
    return found;
  }
  void ExpectOnlyMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, text);
    EXPECT_EQ(surface.messages[0].caption, caption);
    EXPECT_EQ(surface.messages[0].icon, icon);
  }
};

TEST_F(SaveFlashTest, CompleteSaveSendsTenCommandsInOrderWhateverTheLocale) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path());
  dlg.EnableBeaconControls(true);
  dlg.OnPinFunctionChosen(PinFunction::CwKeying);
  dlg.OnSpeedEdited("20");
  dlg.OnTextEdited("CQ DE TEST #5000");
  dlg.OnExtReferenceClicked(true);
  dlg.OnFrequencyEdited(Slot::F1, "1296.000");
  dlg.OnPowerChosen(Slot::F1, PowerLevel::Off);  // F1 stays on the board's second output, which has no +2dBm
  dlg.OnFrequencyEdited(Slot::SigGen, "145.500");

  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  std::vector<std::string> log = Save(board);
  std::setlocale(LC_ALL, saved.c_str());
  if (!comma) std::cerr << "de_DE.UTF-8 missing: saved under the C locale only\n";

  std::vector<std::string> expected = {"M 05;", "S 014D;", "T CQ DE TEST #5000;", "R  10.000000 E;"};
  for (int s = 0; s < kSlotCount; ++s) expected.push_back(SlotCommand(s));
  expected.push_back("F;");
  EXPECT_EQ(log, expected);
  ExpectOnlyMessage(kSaved, "Information", MessageIcon::Information);
  EXPECT_EQ(link().GetPortState(), link::PortState::Open);
  EXPECT_EQ(dlg.model().connected(), true);
}

TEST_F(SaveFlashTest, RefusedReplyStopsTheSaveRightThere) {
  const struct {
    const char* prefix;
    const char* answer;
    size_t sent;  // commands that reached the board, the refused one included
  } cases[] = {
      {"M ", "ERR;", 1}, {"S ", "?;", 2},   {"T ", "ERR;", 3}, {"R ", "ok;", 4},
      {"0 ", "ERR;", 5}, {"2 ", "ERR;", 7}, {"4 ", "OK ;", 9}, {"F;", "ERR;", 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    VirtualBoard board;
    Connect(board.path());
    std::vector<std::string> complete = Save(board);
    ASSERT_EQ(complete.size(), 10u);
    board.SetRefuse(c.prefix, c.answer);
    std::vector<std::string> log = Save(board);
    EXPECT_EQ(log, std::vector<std::string>(complete.begin(), complete.begin() + static_cast<long>(c.sent)));
    ExpectOnlyMessage(kSaveError, "", MessageIcon::Information);
    EXPECT_EQ(dlg.model().connected(), true) << "a refused save does not disconnect";
    dlg.OnDisconnect();
  }
}

TEST_F(SaveFlashTest, PanelValuesBecomeTheRightCommands) {
  const std::string text130 = std::string(100, 'A') + std::string(30, 'B');
  const struct {
    const char* what;
    std::function<void(CMainDlg&)> edit;  // what the user types or checks
    std::string prefix;
    std::string expected;
  } cases[] = {
      {"130 characters", [&](CMainDlg& d) { d.OnTextEdited(text130); }, "T ", "T " + text130.substr(0, 120) + ";"},
      {"two lines CRLF", [](CMainDlg& d) { d.OnTextEdited("CQ\r\nTEST"); }, "T ", "T CQ TEST;"},
      {"two lines LF", [](CMainDlg& d) { d.OnTextEdited("CQ\nTEST"); }, "T ", "T CQ TEST;"},
      {"Latin-1 text", [](CMainDlg& d) { d.OnTextEdited("73 de DL\xC3\xBC"); }, "T ", "T 73 de DL\xFC;"},
      {"scan without beacon", [](CMainDlg& d) { d.OnScanClicked(true); }, "M ", "M 02;"},
      {"nothing checked", {}, "M ", "M 00;"},
      {"20 wpm", [](CMainDlg& d) { d.OnSpeedEdited("20"); }, "S ", "S 014D;"},
      {"13 wpm, truncated", [](CMainDlg& d) { d.OnSpeedEdited("13"); }, "S ", "S 0200;"},
      {"unreadable speed", [](CMainDlg& d) { d.OnSpeedEdited("fast"); }, "S ", ""},
      {"zero speed", [](CMainDlg& d) { d.OnSpeedEdited("0"); }, "S ", "S 029A;"},
      {"negative speed", [](CMainDlg& d) { d.OnSpeedEdited("-12"); }, "S ", "S 029A;"},
      {"infinite speed", [](CMainDlg& d) { d.OnSpeedEdited("inf"); }, "S ", ""},
      {"crawling speed", [](CMainDlg& d) { d.OnSpeedEdited("0.0001"); }, "S ", "S FFFF;"},
      {"absurd speed", [](CMainDlg& d) { d.OnSpeedEdited("1e300"); }, "S ", "S 0001;"},
      {"unreadable F3", [](CMainDlg& d) { d.OnFrequencyEdited(Slot::F3, "abc"); }, "2 ", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualBoard board;
    Connect(board.path());
    dlg.EnableBeaconControls(false);
    if (c.edit) c.edit(dlg);
    std::vector<std::string> log = Save(board);
    if (c.expected.empty()) {
      // A frequency or speed field without a number would be stored as some other value.
      EXPECT_TRUE(log.empty());
      ASSERT_EQ(surface.messages.size(), 1u);
      EXPECT_EQ(surface.messages[0].text.rfind(std::string(kInvalidParameters) + "\nNo number in: ", 0), 0u);
      surface.messages.clear();
    } else {
      ASSERT_EQ(log.size(), 10u);
      EXPECT_EQ(Sent(log, c.prefix), c.expected);
    }
    dlg.OnDisconnect();
  }
}

TEST_F(SaveFlashTest, ReferenceCommandFollowsTheHardwareVersion) {
  const struct {
    const char* tag;
    bool external;
    const char* expected;
  } cases[] = {
      {"", true, "R  10.000000;"},  // version 1: no flag character, whatever the box says
      {"v4s.", false, "R  10.000000  ;"},
      {"v3.", true, "R  10.000000 E;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    VirtualBoard board({.hwTag = c.tag});
    Connect(board.path());
    dlg.OnExtReferenceClicked(c.external);
    EXPECT_EQ(Sent(Save(board), "R "), c.expected);
    dlg.OnDisconnect();
  }
}

TEST_F(SaveFlashTest, SecondBandSlotIsEncodedAtMinusOneDbm) {
  VirtualBoard board({.hwTag = "v4s."});
  Connect(board.path());
  dlg.OnBandChosen(Slot::F2, Band::Out2);
  dlg.OnPowerChosen(Slot::F2, PowerLevel::Minus1);
  dlg.OnFrequencyEdited(Slot::F2, "10000.000");
  ASSERT_EQ(PowerLabel(model().slot(Slot::F2).power), "-1dBm");
  auto words = ParseRegisterReply(Sent(Save(board), "1 "));
  ASSERT_TRUE(words);
  uint32_t r4 = (*words)[4];
  EXPECT_TRUE(r4 & (1u << 8)) << "second output on";
  EXPECT_EQ((r4 >> 6) & 3u, 1u) << "power code of -1dBm";
  EXPECT_FALSE(r4 & (1u << 5)) << "main output off";
}

TEST_F(SaveFlashTest, OutOfBandWarnsOnlyForPoweredSlotsAndSavesAllTheSame) {
  const struct {
    PowerLevel power;
    bool warned;
  } cases[] = {{PowerLevel::Off, false}, {PowerLevel::Minus4, true}, {PowerLevel::Plus5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(PowerLabel(c.power));
    VirtualBoard board;
    Connect(board.path());
    dlg.OnFrequencyEdited(Slot::F4, "7000.000");  // above the MAX2871's 6000 MHz on the main output
    dlg.OnPowerChosen(Slot::F4, c.power);
    std::vector<std::string> log = Save(board);
    EXPECT_EQ(log.size(), 10u);
    EXPECT_EQ(Sent(log, "3 "), SlotCommand(3));
    if (c.warned) {
      ExpectOnlyMessage(std::string(kOutOfBandPrefix) + kSaved, "Information", MessageIcon::Warning);
    } else {
      ExpectOnlyMessage(kSaved, "Information", MessageIcon::Information);
    }
    dlg.OnDisconnect();
  }
}

TEST_F(SaveFlashTest, RefusesBeforeSendingAnything) {
  const struct {
    const char* what;
    void (CMainDlg::*edit)(const std::string&);
    const char* text;
    std::string message;
  } cases[] = {
      {"invalid reference", &CMainDlg::OnReferenceEdited, "4.99", kInvalid},
      {"semicolon in the beacon text", &CMainDlg::OnTextEdited, "CQ;F;",
       "The beacon text must not contain \";\": the board would end the text there and take the rest for a "
       "command.\nNothing was saved to flash memory."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualBoard board;
    Connect(board.path());
    (dlg.*c.edit)(c.text);
    EXPECT_TRUE(Save(board).empty());
    ExpectOnlyMessage(c.message, "", MessageIcon::Information);
    dlg.OnDisconnect();
  }
}

TEST_F(SaveFlashTest, DemoBoardKeepsWhatWasSavedAcrossAReconnect) {
  Connect("Demo");
  dlg.EnableBeaconControls(true);
  dlg.OnSpeedEdited("20");
  dlg.OnTextEdited("TEST DE DEMO");
  dlg.OnSaveToFlash();
  ExpectOnlyMessage(kSaved, "Information", MessageIcon::Information);
  dlg.OnDisconnect();
  Connect("Demo");
  EXPECT_TRUE(model().beacon());
  EXPECT_EQ(model().text(), "TEST DE DEMO");
  EXPECT_EQ(model().speed(), "20.0");
}

// A board set up elsewhere, with another value than Korvane's in every field it does not compute and
// the reserved bits its data sheet asks for set: Connect and Save give it back the words it held, and
// every such value is the board's, not the user's.
TEST_F(SaveFlashTest, ConnectAndSaveGiveBackEveryFieldOfTheStoredSets) {
  for (ChipType chip : kChipTypes) {
    SCOPED_TRACE(std::string(ChipName(chip)));
    PanelSettings korvane;
    korvane.chip = chip;
    AcceptReference(korvane.reference, chip, korvane.refDivisor, korvane.pfd);
    VirtualBoard board;
    std::vector<std::string> stored;
    size_t settable = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      korvane.freqSlots[static_cast<size_t>(slot)] = {"1400.000", Band::Out1, PowerLevel::Plus5};
      RegisterSet set = session::SlotWords(korvane, SlotAt(slot));
      settable = 0;
      for (const RegisterField& f : Facts(chip).fields) {
        if (f.computed()) continue;
        ++settable;
        const uint32_t now = ReadField(f, set.words);
        uint32_t other = now == f.minValue ? f.maxValue : f.minValue;
        auto named =
            std::find_if(f.values.begin(), f.values.end(), [&](const FieldValue& v) { return v.value != now; });
        if (named != f.values.end()) other = named->value;
        // The ADF435x's band-select clock stays within its limit (and within 254 for the faster mode).
        if (f.field == Field::BandSelect && chip != ChipType::Max2871) other = 250;
        WriteField(f, other, set.words);
      }
      // MAX2871: R4 bits 31:29 = 011; ADF435x: R5 bits 20:19 = 11.
      if (chip == ChipType::Max2871) {
        set.words[4] |= 0x60000000;
      } else {
        set.words[5] |= 0x00180000;
      }
      stored.push_back(FormatRegisterSet(set));
      board.SetStored(stored.back());
    }
    Connect(board.path(), static_cast<session::ChipChoice>(1 + static_cast<int>(chip)));
    for (int slot = 0; slot < kSlotCount; ++slot) {
      EXPECT_TRUE(model().slot(SlotAt(slot)).overrides.empty()) << slot;
      EXPECT_EQ(session::PlanSlotWords(model().Settings(), SlotAt(slot)).sources.size(), settable) << slot;
    }
    const std::vector<std::string> log = Save(board);
    for (int slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(Sent(log, std::to_string(slot) + " "), stored[slot]);
    dlg.OnDisconnect();
  }
}

// One rule for the numbers a person types: a reference or speed that is no number as typed is marked
// and sends nothing; Save refuses only slots in use without a number, and names each field at fault.
TEST_F(SaveFlashTest, TypedTextThatIsNoNumberIsMarkedSendsNothingAndIsNamed) {
  VirtualBoard board;
  Connect(board.path());
  board.ClearLog();
  for (const char* text : {"12a96", "10.5.1"}) {
    dlg.OnReferenceEdited(text);
    EXPECT_FALSE(model().referenceIsNumber()) << text;
    surface.FireTimer();
    EXPECT_TRUE(board.Log().empty()) << text;
  }
  dlg.OnReferenceEdited("10");
  EXPECT_TRUE(model().referenceIsNumber());

  // A preset switched off may hold no number.
  dlg.OnFrequencyEdited(Slot::F2, "");
  dlg.OnPowerChosen(Slot::F2, PowerLevel::Off);
  Save(board);
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].text.find("No number"), std::string::npos) << surface.messages[0].text;

  dlg.OnFrequencyEdited(Slot::F3, "abc");
  dlg.OnSpeedEdited("fast");
  EXPECT_FALSE(model().speedIsNumber());
  EXPECT_TRUE(Save(board).empty());
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].text, std::string(kInvalid) + "\nNo number in: F3 frequency, Speed.");
}

// A board identified as an ADF4351 that holds MAX2871 words (the virtual board's own store): Save
// with no edits is not refused, and every slot goes out as Korvane's ADF4351 words, 8/9 prescaler and
// all.
TEST_F(SaveFlashTest, AnotherChipsWordsGiveWayToKorvanesOnSave) {
  VirtualBoard board({.chip = test::VirtualChip::ADF4351});
  Connect(board.path(), session::ChipChoice::Auto);
  ASSERT_EQ(model().chip(), ChipType::Adf4351);
  // The window says that the stored words were left aside.
  EXPECT_NE(model().readNotes().find("SigGen: the stored words are not an ADF4351's"), std::string::npos);
  const std::vector<std::string> log = Save(board);
  // F1 holds 10368 MHz on OUT2, beyond the ADF4351's band.
  ExpectOnlyMessage(std::string(kOutOfBandPrefix) + kSaved, "Information", MessageIcon::Warning);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const std::string sent = Sent(log, std::to_string(slot) + " ");
    EXPECT_EQ(sent, SlotCommand(slot));
    const std::optional<RegisterSet> set = ReadRegisterSetText(sent);
    ASSERT_TRUE(set);
    EXPECT_EQ(ReadField(*Facts(ChipType::Adf4351).Find(Field::Prescaler), set->words), 1u) << sent;
  }
}

}  // namespace
}  // namespace korvane::testing
