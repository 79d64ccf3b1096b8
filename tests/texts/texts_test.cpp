#include "texts/texts.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

namespace korvane::texts {
namespace {

using session::FirmwareResult;
using session::SaveResult;

TEST(Texts, ResultsReadAsTheBoardsOwnMessages) {
  const std::string saved =
      "Configuration was saved to flash memory!\n\nNOTE: Autonomus mode is activated only by powering synth board "
      "from the external power supply or USB charger. You can not activate autonomous mode if board is connected to "
      "the computer.";
  struct Case {
    SaveResult result;
    std::string text;
  };
  const Case saves[] = {
      {{.status = SaveResult::Status::Saved}, saved},
      {{.status = SaveResult::Status::Saved, .allInBand = false},
       "SOME FREQUENCIES APPEARED OUTSIDE SYNTHESIZER CHIP BAND! YOUR CONFIGURATION MAY NOT WORK STABLE, OR MAY NOT "
       "WORK AT ALL!\n\n" +
           saved},
      {{.status = SaveResult::Status::InvalidParameters},
       "Please enter valid parameters values! Can not save parameters to flash memory!"},
      {{.status = SaveResult::Status::Refused}, "There was an error during saving parameters to flash memory!"},
      {{.status = SaveResult::Status::InvalidOverrides,
        .reason = session::SlotIssue{Slot::F3, {.kind = FieldIssue::Kind::BandSelectZero}}},
       "F3: The band-select clock divider must not be 0.\nNothing was saved to flash memory."},
      {{.status = SaveResult::Status::Stopped},
       "Stopped before the save was committed: nothing was written to flash memory."},
  };
  for (const Case& c : saves) EXPECT_EQ(SaveMessage(c.result), c.text);

  const struct {
    FirmwareResult::Status status;
    int page;
    size_t offset;
    const char* text;
  } flashes[] = {
      {FirmwareResult::Status::Done, 0, 0, "Firmware was updated. Please reconnect the board."},
      {FirmwareResult::Status::NoBootloader, 0, 0, "Cannot connect to board bootloader!"},
      {FirmwareResult::Status::EraseFailed, 17, 0, "Cannot erase page 17!"},
      {FirmwareResult::Status::AddressFailed, 0, 0, "Address setting error!"},
      {FirmwareResult::Status::WriteFailed, 0, 0x1FE, "Error writing address 080021FEh!"},
  };
  for (const auto& c : flashes) {
    FirmwareResult result;
    result.status = c.status;
    result.page = c.page;
    result.offset = c.offset;
    EXPECT_EQ(FirmwareMessage(result), c.text);
  }

  link::BoardIdentity id;
  id.hwVersion = 3;
  id.fwMajor = 4;
  id.fwMinor = 12;
  id.fwDateCode = 0x2016A;
  id.serialWords = {0x0036004A, 0x5732500B, 0x20373638};
  EXPECT_EQ(FirmwareInfo(id), "Firmware version 3.04.0012 from 0002016A. \nS/N 0036 004A 5732 500B 2037 3638");
  EXPECT_EQ(BootloaderVersion(id), "Bootloader v3.4");
}

// Every refusal of an expert setting and every note about a board's values, in the words a user reads.
TEST(Texts, FieldIssuesNameTheRuleAndTheValues) {
  using Kind = FieldIssue::Kind;
  constexpr ChipType kAdf = ChipType::Adf4351, kMax = ChipType::Max2871;
  const struct {
    FieldIssue issue;
    const char* text;
  } cases[] = {
      {{.kind = Kind::NoSuchField, .chip = ChipType::Adf4350}, "The ADF4350 has no such field."},
      {{.kind = Kind::Computed, .chip = kAdf, .field = Field::Int},
       "\"INT\" is computed from the frequency, power, output and reference; it cannot be set."},
      {{.kind = Kind::NotAllowed, .chip = kAdf, .field = Field::Phase, .value = 4096},
       "\"PHASE\" cannot be 4096 on the ADF4351; it takes 0 to 4095."},
      {{.kind = Kind::NotAllowed, .chip = kAdf, .field = Field::Prescaler, .value = 2},
       "\"PRESCALER\" cannot be 2 on the ADF4351; it takes 0 4/5, 1 8/9."},
      {{.kind = Kind::BandSelectZero, .chip = kMax}, "The band-select clock divider must not be 0."},
      {{.kind = Kind::BandSelectModeHigh, .chip = kAdf, .value = 255, .wanted = 254},
       "With the band-select clock mode high the ADF4351 takes a band-select clock divider of at most 254, not 255."},
      {{.kind = Kind::BandSelectTooFast,
        .chip = ChipType::Adf4350,
        .field = Field::BandSelect,
        .value = 79,
        .wanted = 80,
        .frequency = 126.582278,
        .limit = 125,
        .pfd = 10},
       "The band-select clock would run at 126.582 kHz (10.000000 MHz comparison frequency / 79), faster than the 125 "
       "kHz the ADF4350 takes. Set \"BAND SELECT CLOCK DIVIDER\" to a divider of at least 80."},
      {{.kind = Kind::PhaseNotBelowModulus, .chip = kMax, .field = Field::Phase, .value = 4093, .wanted = 4093},
       "\"P\" 4093 must be below the modulus \"M\" 4093 of this frequency."},
      {{.kind = Kind::VasDelay, .chip = kMax, .field = Field::VasDelay, .value = 3, .wanted = 0, .given = 0},
       "The MAX2871 takes \"VAS_DLY\" 0 with \"VAS_TEMP\" 0, not 3 (VAS_DLY 3 goes with VAS_TEMP 1, VAS_DLY 0 with "
       "VAS_TEMP 0)."},
      {{.kind = Kind::PrescalerInt, .chip = kAdf, .field = Field::Prescaler, .value = 74, .wanted = 75, .given = 1},
       "With the 8/9 prescaler the ADF4351 takes an INT of at least 75; this frequency has 74."},
      {{.kind = Kind::PrescalerVco, .chip = kAdf, .field = Field::Prescaler, .frequency = 3700, .limit = 3600},
       "The 4/5 prescaler of the ADF4351 takes the VCO up to 3600 MHz; this frequency runs it at 3700.000 MHz. Keep "
       "\"PRESCALER\" at 8/9."},
      {{.kind = Kind::ForeignBits, .chip = kAdf, .value = 0x60000000, .other = kMax, .reg = 4},
       "the stored words are not an ADF4351's (R4 holds bits 60000000h, which only the MAX2871 uses); Korvane's "
       "values are used for its settings."},
      {{.kind = Kind::OutOfBand, .chip = kMax, .frequency = 12000, .band = Band::Out1},
       "the stored words give 12000.000000 MHz, outside what the MAX2871 makes on OUT1 <6GHz; Korvane's values are "
       "used for its settings."},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldIssueText(c.issue), c.text);

  const FieldNote follows{.chip = kAdf, .field = Field::Prescaler, .korvane = 1, .board = 0};
  EXPECT_EQ(SlotNoteText({Slot::SigGen, follows}),
            "SigGen: \"PRESCALER\" is 8/9 instead of the board's 4/5: it follows the frequency and the reference.");
  FieldNote broke = follows;
  broke.rule = cases[0].issue;
  EXPECT_EQ(FieldNoteText(broke), "\"PRESCALER\" is 8/9 instead of the board's 4/5: The ADF4350 has no such field.");

  using config::SaveFileError;
  EXPECT_EQ(SaveFileErrorText({SaveFileError::Kind::NotSettings, "a.kvini", ""}),
            "Could not write \"a.kvini\": it holds no Korvane settings; it was left as it is");
  EXPECT_EQ(SaveFileErrorText({SaveFileError::Kind::System, "a.kvini", "Could not write \"a.kvini\": Disk full"}),
            "Could not write \"a.kvini\": Disk full");
}

// Why a port failed, for the kinds the link and network tests leave out (they check the others
// word for word, through this catalogue).
TEST(Texts, OpenFailuresReadAsTheyAlwaysHave) {
  using Kind = link::OpenFailure::Kind;
  const std::string waited = "tcp://pi:3333 did not agree to serial-port control within 2000 ms";
  const std::string noAnswer = "The port opened, but no board answered with the expected banner.";
  const struct {
    Kind kind;
    const char* detail;
    std::string text;
  } cases[] = {
      {Kind::None, "", ""},
      {Kind::CannotSetUp, "Not a serial port", "Cannot set up tcp://pi:3333: Not a serial port."},
      {Kind::CannotSetUp, "", "Cannot set up tcp://pi:3333: the device is not a serial port."},
      {Kind::SystemSaid, "Unknown error", "Unknown error"},
      {Kind::LookupTooLong, "", "Looking up pi for tcp://pi:3333 took too long."},
      {Kind::LookupFailed, "Temporary failure", "Cannot look up pi for tcp://pi:3333: Temporary failure."},
      {Kind::CannotConnect, "Network is unreachable", "Cannot connect to tcp://pi:3333: Network is unreachable."},
      {Kind::NoAgreementInTime, "", waited + "."},
      {Kind::NoConfirmationInTime, "", "tcp://pi:3333 did not confirm 4800 baud 8N1 within 2000 ms."},
      {Kind::SettingRefused, "00", "tcp://pi:3333 was asked to set the parity to 2000 and answered 3 (00)."},
      {Kind::NoAnswerUnconfirmedLine, "",
       waited + "; going on without it, with the line settings unconfirmed. " + noAnswer},
      {Kind::NoAnswer, "", noAnswer},
      {Kind::InBootloader, "",
       "The board answered from its bootloader: its firmware is not running, as after an update that did not "
       "finish."},
      {Kind::ClosedBeforeAnswer, "", "tcp://pi:3333 closed the connection before a board answered."},
  };
  for (const auto& c : cases) {
    link::OpenFailure failure(c.kind, "tcp://pi:3333", c.detail);
    failure.host = "pi";
    failure.number = 2000;
    failure.setting = link::OpenFailure::Setting::Parity;
    failure.answered = 3;
    EXPECT_EQ(OpenFailureText(failure), c.text) << static_cast<int>(c.kind);
  }
}

// A translation may reorder the arguments; what an argument holds is never read as a placeholder.
class Reordering : public QTranslator {
 public:
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (QByteArray(context) != "Texts") return {};
    if (QByteArray(source) == "The board refused \"%1\" (it answered \"%2\").") return QStringLiteral("%2 <- %1");
    if (QByteArray(source) == "Cannot erase page %1!") return QStringLiteral("Seite %1 nicht gelöscht");
    return {};
  }
  bool isEmpty() const override { return false; }
};

TEST(Texts, TranslationsPlaceTheArgumentsOnce) {
  int argc = 0;
  QCoreApplication app(argc, nullptr);
  Reordering translator;
  QCoreApplication::installTranslator(&translator);
  EXPECT_EQ(Tr("The board refused \"%1\" (it answered \"%2\").", {"R %2;", "ER;"}), "ER; <- R %2;");
  EXPECT_EQ(FirmwareMessage({.status = FirmwareResult::Status::EraseFailed, .page = 3}), "Seite 3 nicht gelöscht");
  // No translation: the English, arguments in place.
  EXPECT_EQ(Tr("%1 MHz is outside the outputs of this board.", {"12.5"}),
            "12.5 MHz is outside the outputs of this board.");
  QCoreApplication::removeTranslator(&translator);
}

}  // namespace
}  // namespace korvane::texts
