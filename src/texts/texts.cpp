#include "texts/texts.h"

#include <QCoreApplication>

#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"
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
      return Tr(QT_TRANSLATE_NOOP("Texts", "%1\nNothing was saved to flash memory."), {result.reason});
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

std::string NotAConfiguration(const std::string& path) {
  return Tr(
      QT_TRANSLATE_NOOP("Texts", "\"%1\" holds no Korvane configuration (no [SigGen], [Freqs] or [Beacon] settings)."),
      {path});
}

}  // namespace korvane::texts
