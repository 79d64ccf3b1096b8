#include "texts/texts.h"

#include <QCoreApplication>

#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"
#include "synth/chip.h"
#include "synth/chip_facts.h"
#include "synth/field_overrides.h"
#include "synth/number_text.h"

namespace korvane::texts {

std::string Tr(const char* english, std::initializer_list<std::string_view> args) {
  const std::string text = QCoreApplication::translate("Texts", english).toStdString();
  if (args.size() == 0) return text;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t n = i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '0') : 0;
    if (text[i] == '%' && n >= 1 && n <= args.size()) {
      out += *(args.begin() + (n - 1));
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string SaveMessage(const session::SaveResult& result) {
  using Status = session::SaveResult::Status;
  switch (result.status) {
    case Status::Saved: {
      const std::string saved = Tr(QT_TRANSLATE_NOOP(
          "Texts",
          "Configuration was saved to flash memory!\n\nNOTE: Autonomus mode is activated only by powering synth "
          "board from the external power supply or USB charger. You can not activate autonomous mode if board is "
          "connected to the computer."));
      if (result.allInBand) return saved;
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "SOME FREQUENCIES APPEARED OUTSIDE SYNTHESIZER CHIP BAND! YOUR CONFIGURATION MAY "
                                  "NOT WORK STABLE, OR MAY NOT WORK AT ALL!\n\n")) +
             saved;
    }
    case Status::InvalidParameters:
      return Tr(
          QT_TRANSLATE_NOOP("Texts", "Please enter valid parameters values! Can not save parameters to flash memory!"));
    case Status::SemicolonInBeacon:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "The beacon text must not contain \";\": the board would end the text there and "
                                  "take the rest for a command.\nNothing was saved to flash memory."));
    case Status::InvalidOverrides:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1\nNothing was saved to flash memory."),
                {result.reason ? SlotIssueText(*result.reason) : std::string()});
    case Status::Stopped:
      return Tr(
          QT_TRANSLATE_NOOP("Texts", "Stopped before the save was committed: nothing was written to flash memory."));
    case Status::Refused:
      break;
  }
  return Tr(QT_TRANSLATE_NOOP("Texts", "There was an error during saving parameters to flash memory!"));
}

std::string FirmwareMessage(const session::FirmwareResult& result) {
  using Status = session::FirmwareResult::Status;
  switch (result.status) {
    case Status::Done:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Firmware was updated. Please reconnect the board."));
    case Status::NoBootloader:
      return Tr(kNoBootloader);
    case Status::EraseFailed:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Cannot erase page %1!"), {std::to_string(result.page)});
    case Status::AddressFailed:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Address setting error!"));
    case Status::WriteFailed:
      break;
  }
  const uint32_t address = firmware::kAppBaseAddress + static_cast<uint32_t>(result.offset);
  return Tr(QT_TRANSLATE_NOOP("Texts", "Error writing address %1h!"), {FormatHex(address, 8)});
}

std::string FirmwareInfo(const link::BoardIdentity& id) {
  std::string serial;
  for (const uint32_t word : id.serialWords) {
    serial += (serial.empty() ? "" : " ") + FormatHex(word >> 16, 4) + " " + FormatHex(word & 0xFFFF, 4);
  }
  return Tr(QT_TRANSLATE_NOOP("Texts", "Firmware version %1 from %2. \nS/N %3"),
            {firmware::VersionNumber(id), FormatHex(id.fwDateCode, 8), serial});
}

std::string BootloaderVersion(const link::BoardIdentity& id) {
  return Tr(QT_TRANSLATE_NOOP("Texts", "Bootloader v%1"),
            {std::to_string(id.hwVersion) + "." + std::to_string(id.fwMajor)});
}

std::string ListProblemText(const session::ListProblem& problem) {
  using Kind = session::ListProblem::Kind;
  std::string text;
  switch (problem.kind) {
    case Kind::NotAFrequency:
      text = Tr(QT_TRANSLATE_NOOP("Texts", "'%1' is not a frequency"), {problem.field});
      break;
    case Kind::ThousandsSeparator:
      text = Tr(QT_TRANSLATE_NOOP("Texts", "'%1' is written with a thousands separator"), {problem.field});
      break;
    case Kind::NotInMhz:
      text = Tr(QT_TRANSLATE_NOOP("Texts", "'%1' is not a frequency in MHz"), {problem.field});
      break;
    case Kind::NoFirstColumn:
      text = Tr(QT_TRANSLATE_NOOP("Texts", "no frequency in the first column"));
      break;
    case Kind::TooManyPoints:
      text = Tr(QT_TRANSLATE_NOOP("Texts", "more than a million points"));
      break;
    case Kind::Empty:
      text = Tr(QT_TRANSLATE_NOOP(
          "Texts", "no frequency in the list (one number in MHz per line, or the first column of a CSV file)"));
      break;
    case Kind::StepNotPositive:
      text = Tr(QT_TRANSLATE_NOOP("Texts", "STEP must be above 0 (a sweep from a higher START goes down)"));
      break;
  }
  if (problem.line == 0) return text;
  return Tr(QT_TRANSLATE_NOOP("Texts", "line %1: %2"), {std::to_string(problem.line), text});
}

namespace {

const char* SettingName(link::OpenFailure::Setting setting) {
  using Setting = link::OpenFailure::Setting;
  switch (setting) {
    case Setting::BaudRate:
      return QT_TRANSLATE_NOOP("Texts", "baud rate");
    case Setting::DataBits:
      return QT_TRANSLATE_NOOP("Texts", "data bits");
    case Setting::Parity:
      return QT_TRANSLATE_NOOP("Texts", "parity");
    case Setting::StopBits:
      return QT_TRANSLATE_NOOP("Texts", "stop bits");
    case Setting::FlowControl:
      break;
  }
  return QT_TRANSLATE_NOOP("Texts", "flow control");
}

}  // namespace

std::string OpenFailureText(const link::OpenFailure& f) {
  using Kind = link::OpenFailure::Kind;
  const std::string& port = f.port;
  const std::string number = std::to_string(f.number);
  const char* const noAnswer =
      QT_TRANSLATE_NOOP("Texts", "The port opened, but no board answered with the expected banner.");
  const char* const unconfirmed = QT_TRANSLATE_NOOP(
      "Texts",
      "%1 did not agree to serial-port control within %2 ms; going on without it, with the line settings "
      "unconfirmed.");
  switch (f.kind) {
    case Kind::None:
      return {};
    case Kind::NotFound:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 not found: no such device; check that the board is plugged in."),
                {port});
    case Kind::Directory:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 is a directory, not a serial device."), {port});
    case Kind::RegularFile:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 is a regular file, not a serial device."), {port});
    case Kind::NotASerialDevice:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 is not a serial device."), {port});
    case Kind::PermissionDenied:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Permission denied: %1."), {port});
    case Kind::AdministratorsOnly:
      return Tr(QT_TRANSLATE_NOOP(
                    "Texts", "Permission denied: %1 belongs to the group %2, so only an administrator can open it."),
                {port, f.detail});
    case Kind::NotInGroup:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "Permission denied: %1 belongs to the group %2. Add your user to it with: sudo "
                                  "usermod -aG %2 $USER, then log out and in again."),
                {port, f.detail});
    case Kind::InUse:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 is in use by another program."), {port});
    case Kind::CannotOpen:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Cannot open %1: %2."), {port, f.detail});
    case Kind::CannotSetUp:
      if (f.detail.empty()) {
        return Tr(QT_TRANSLATE_NOOP("Texts", "Cannot set up %1: the device is not a serial port."), {port});
      }
      return Tr(QT_TRANSLATE_NOOP("Texts", "Cannot set up %1: %2."), {port, f.detail});
    case Kind::SystemSaid:
      return f.detail;
    case Kind::NotANetworkPort:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 is not a network port; write tcp://HOST:PORT or rfc2217://HOST:PORT."),
                {port});
    case Kind::Cancelled:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Connecting to %1 was cancelled."), {port});
    case Kind::LookupTooLong:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Looking up %1 for %2 took too long."), {f.host, port});
    case Kind::UnknownHost:
      return Tr(QT_TRANSLATE_NOOP("Texts", "The host %1 of %2 is not known; check the name."), {f.host, port});
    case Kind::LookupFailed:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Cannot look up %1 for %2: %3."), {f.host, port, f.detail});
    case Kind::Refused:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 refused the connection; check that ser2net serves this port."), {port});
    case Kind::NoAnswerInTime:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 did not answer within %2 ms; check the address and the network."),
                {port, number});
    case Kind::CannotConnect:
      return Tr(QT_TRANSLATE_NOOP("Texts", "Cannot connect to %1: %2."), {port, f.detail});
    case Kind::ClosedDuringSetUp:
      if (f.detail.empty()) {
        return Tr(QT_TRANSLATE_NOOP("Texts", "%1 closed the connection while it was being set up."), {port});
      }
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 closed the connection while it was being set up: \"%2\""),
                {port, f.detail});
    case Kind::NoAgreementInTime:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 did not agree to serial-port control within %2 ms."), {port, number});
    case Kind::NoConfirmationInTime:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 did not confirm 4800 baud 8N1 within %2 ms."), {port, number});
    case Kind::FloodedBeforeAgreement:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "%1 sent more than %2 KiB of data before it agreed to serial-port control; check "
                                  "that it serves the board's port with serial-port control."),
                {port, number});
    case Kind::FloodedBeforeConfirmation:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "%1 sent more than %2 KiB of data before it confirmed the line settings; check that "
                                  "it serves the board's port with serial-port control."),
                {port, number});
    case Kind::NoSerialPortControl:
      return Tr(
          QT_TRANSLATE_NOOP("Texts", "%1 does not offer serial-port control; for a raw port write tcp:// instead."),
          {port});
    case Kind::SettingRefused:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 was asked to set the %2 to %3 and answered %4 (%5)."),
                {port, Tr(SettingName(f.setting)), number, std::to_string(f.answered), f.detail});
    case Kind::UnconfirmedLine:
      return Tr(unconfirmed, {port, number});
    case Kind::NoAnswer:
      return Tr(noAnswer);
    case Kind::NoAnswerUnconfirmedLine:
      return Tr(unconfirmed, {port, number}) + " " + Tr(noAnswer);
    case Kind::InBootloader:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "The board answered from its bootloader: its firmware is not running, as after an "
                                  "update that did not finish."));
    case Kind::ClosedBeforeAnswer:
      break;
  }
  if (f.detail.empty())
    return Tr(QT_TRANSLATE_NOOP("Texts", "%1 closed the connection before a board answered."), {port});
  return Tr(QT_TRANSLATE_NOOP("Texts", "%1 closed the connection before a board answered: \"%2\""), {port, f.detail});
}

namespace {

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

std::string FieldName(ChipType chip, Field field) {
  const RegisterField* f = Facts(chip).Find(field);
  return f ? std::string(f->name) : std::string();
}

std::string Number(uint32_t value) { return std::to_string(value); }

}  // namespace

std::string AllowedValuesText(const RegisterField& field) {
  if (field.values.empty()) {
    const std::string text =
        Tr(QT_TRANSLATE_NOOP("Texts", "%1 to %2"), {Number(field.minValue), Number(field.maxValue)});
    return field.unit.empty() ? text : text + " " + std::string(field.unit);
  }
  std::string text;
  for (const FieldValue& v : field.values) {
    if (!text.empty()) text += ", ";
    text += Number(v.value) + " " + std::string(v.name);
  }
  return text;
}

std::string FieldIssueText(const FieldIssue& issue) {
  using Kind = FieldIssue::Kind;
  const std::string chip(ChipName(issue.chip));
  const std::string field = Quoted(FieldName(issue.chip, issue.field));
  switch (issue.kind) {
    case Kind::NoSuchField:
      return Tr(QT_TRANSLATE_NOOP("Texts", "The %1 has no such field."), {chip});
    case Kind::Computed:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "%1 is computed from the frequency, power, output and reference; it cannot be set."),
                {field});
    case Kind::NotAllowed: {
      const RegisterField* f = Facts(issue.chip).Find(issue.field);
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 cannot be %2 on the %3; it takes %4."),
                {field, Number(issue.value), chip, f ? AllowedValuesText(*f) : std::string()});
    }
    case Kind::BandSelectZero:
      return Tr(QT_TRANSLATE_NOOP("Texts", "The band-select clock divider must not be 0."));
    case Kind::BandSelectModeHigh:
      return Tr(
          QT_TRANSLATE_NOOP("Texts",
                            "With the band-select clock mode high the %1 takes a band-select clock divider of at most "
                            "%2, not %3."),
          {chip, Number(issue.wanted), Number(issue.value)});
    case Kind::BandSelectTooFast: {
      // The MAX2871's divider spans two fields.
      const std::string name =
          Facts(issue.chip).Find(Field::BandSelectHigh)
              ? Tr(QT_TRANSLATE_NOOP("Texts", "%1 and %2"),
                   {FieldName(issue.chip, Field::BandSelectHigh), FieldName(issue.chip, Field::BandSelect)})
              : field;
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "The band-select clock would run at %1 kHz (%2 MHz comparison frequency / %3), "
                                  "faster than the %4 kHz the %5 takes. Set %6 to a divider of at least %7."),
                {FormatFixed(issue.frequency, 3), FormatFixed(issue.pfd, 6), Number(issue.value),
                 FormatFixed(issue.limit, 0), chip, name, Number(issue.wanted)});
    }
    case Kind::PhaseNotBelowModulus:
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1 %2 must be below the modulus %3 %4 of this frequency."),
                {field, Number(issue.value), Quoted(FieldName(issue.chip, Field::Modulus)), Number(issue.wanted)});
    case Kind::VasDelay:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "The %1 takes \"VAS_DLY\" %2 with \"VAS_TEMP\" %3, not %4 (VAS_DLY 3 goes with "
                                  "VAS_TEMP 1, VAS_DLY 0 with VAS_TEMP 0)."),
                {chip, Number(issue.wanted), Number(issue.given), Number(issue.value)});
    case Kind::PrescalerInt:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "With the %1 prescaler the %2 takes an INT of at least %3; this frequency has %4."),
                {issue.given == 0 ? "4/5" : "8/9", chip, Number(issue.wanted), Number(issue.value)});
    case Kind::PrescalerVco:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "The 4/5 prescaler of the %1 takes the VCO up to %2 MHz; this frequency runs it at "
                                  "%3 MHz. Keep \"PRESCALER\" at 8/9."),
                {chip, FormatFixed(issue.limit, 0), FormatFixed(issue.frequency, 3)});
    case Kind::ForeignBits:
      return Tr(QT_TRANSLATE_NOOP("Texts",
                                  "the stored words are not an %1's (R%2 holds bits %3h, which only the %4 uses); "
                                  "Korvane's values are used for its settings."),
                {chip, std::to_string(issue.reg), FormatHex(issue.value, 8), std::string(ChipName(issue.other))});
    case Kind::OutOfBand:
      break;
  }
  return Tr(QT_TRANSLATE_NOOP("Texts",
                              "the stored words give %1 MHz, outside what the %2 makes on %3; Korvane's values are "
                              "used for its settings."),
            {FormatFixed(issue.frequency, 6), chip, std::string(BandLabel(issue.band))});
}

std::string FieldNoteText(const FieldNote& note) {
  const RegisterField* f = Facts(note.chip).Find(note.field);
  if (!f) return {};
  const std::string why = note.rule ? FieldIssueText(*note.rule)
                                    : Tr(QT_TRANSLATE_NOOP("Texts", "it follows the frequency and the reference."));
  return Tr(QT_TRANSLATE_NOOP("Texts", "%1 is %2 instead of the board's %3: %4"),
            {Quoted(f->name), FieldValueText(*f, note.korvane), FieldValueText(*f, note.board), why});
}

std::string SlotIssueText(const session::SlotIssue& issue) {
  return std::string(session::SlotName(issue.slot)) + ": " + FieldIssueText(issue.issue);
}

std::string SlotNoteText(const session::SlotNote& note) {
  return std::string(session::SlotName(note.slot)) + ": " + FieldNoteText(note.note);
}

std::string SaveFileErrorText(const config::SaveFileError& error) {
  if (error.kind == config::SaveFileError::Kind::System) return error.system;
  return Tr(QT_TRANSLATE_NOOP("Texts", "Could not write \"%1\": it holds no Korvane settings; it was left as it is"),
            {error.path});
}

std::string NotAConfiguration(const std::string& path) {
  return Tr(
      QT_TRANSLATE_NOOP("Texts", "\"%1\" holds no Korvane configuration (no [SigGen], [Freqs] or [Beacon] settings)."),
      {path});
}

}  // namespace korvane::texts
