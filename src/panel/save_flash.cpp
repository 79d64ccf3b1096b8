// "Save": sends the whole panel configuration to the board and has it stored in flash.
#include <string>

#include "config/text_encoding.h"
#include "link/board_link.h"
#include "panel/control_ids.h"
#include "panel/main_dlg.h"
#include "synth/chip.h"
#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane {

namespace {

constexpr char kInvalidParameters[] = "Please enter valid parameters values! Can not save parameters to flash memory!";
constexpr char kSaveError[] = "There was an error during saving parameters to flash memory!";
constexpr char kSemicolonInBeacon[] =
    "The beacon text must not contain \";\": the board would end the text there and take the rest "
    "for a command.\nNothing was saved to flash memory.";
constexpr char kSaved[] =
    "Configuration was saved to flash memory!\n\nNOTE: Autonomus mode is activated only by powering synth "
    "board from the external power supply or USB charger. You can not activate autonomous mode if board is "
    "connected to the computer.";
constexpr char kOutOfBand[] =
    "SOME FREQUENCIES APPEARED OUTSIDE SYNTHESIZER CHIP BAND! YOUR CONFIGURATION MAY NOT WORK STABLE, OR MAY "
    "NOT WORK AT ALL!\n\n";

constexpr size_t kBeaconTextMax = 120;
constexpr double kDefaultSpeedWpm = 10.0;
constexpr double kSpeedDividend = 6664.0;

// A line break typed in the text field becomes one blank, and the board keeps 120 characters.
std::string FoldBeaconText(const std::string& text) {
  std::string folded = config::FoldLineBreaks(text);
  // Cut by characters, not bytes: each one goes out as one byte.
  size_t pos = 0;
  for (size_t chars = 0; chars < kBeaconTextMax && pos < folded.size(); ++chars) {
    ++pos;
    while (pos < folded.size() && (static_cast<unsigned char>(folded[pos]) & 0xC0u) == 0x80u) ++pos;
  }
  folded.resize(pos);
  return folded;
}

// 6664 / wpm, kept to what "S %04X;" can carry; no speed, zero or negative keys at 10 wpm.
uint32_t SpeedValue(const std::string& speedText) {
  double wpm = ReadDouble(speedText).value_or(kDefaultSpeedWpm);
  if (!(wpm > 0.0)) wpm = kDefaultSpeedWpm;
  int32_t value = SaturateToInt32(kSpeedDividend / wpm);
  if (value < 1) value = 1;
  if (value > 0xFFFF) value = 0xFFFF;
  return static_cast<uint32_t>(value);
}

}  // namespace

void CMainDlg::OnSaveToFlash() {
  ControlSurface& ui = surface();
  if (refDivisor <= 0) {
    ui.MessageBox(kInvalidParameters, "", MessageIcon::Information);
    return;
  }
  const std::string beaconText = FoldBeaconText(ui.GetText(ctl::kBeaconText));
  if (beaconText.find(';') != std::string::npos) {
    ui.MessageBox(kSemicolonInBeacon, "", MessageIcon::Information);
    return;
  }

  auto sendChecked = [&](const std::string& command) {
    if (link::SendCommand(command) == "OK;") return true;
    ui.MessageBox(kSaveError, "", MessageIcon::Information);
    return false;
  };

  uint32_t modeValue = 0;
  if (ui.GetCheck(ctl::kBeaconBox)) modeValue |= 1u;
  if (ui.GetCheck(ctl::kScanBox)) modeValue |= 2u;
  if (ui.GetSelection(ctl::kPinFunction) == 1) modeValue |= 4u;
  if (!sendChecked("M " + FormatHex(modeValue, 2) + ";")) return;
  if (!sendChecked("S " + FormatHex(SpeedValue(ui.GetText(ctl::kSpeed)), 4) + ";")) return;
  if (!sendChecked("T " + beaconText + ";")) return;
  if (!sendChecked(ReferenceCommand())) return;

  bool allInBand = true;
  for (int slot = 0; slot < ctl::kSlotCount; ++slot) {
    const int powerSelection = ui.GetSelection(ctl::Power(slot));
    const Band band = ui.GetSelection(ctl::BandList(slot));
    const std::string frequencyText = ui.GetText(ctl::Freq(slot));
    const double frequency = ReadDouble(frequencyText).value_or(180.0);
    // An output that is switched off cannot be out of band.
    if (ListIndexToPowerLevel(band, powerSelection) > 0 && !IsInBand(chipType, band, frequency)) allInBand = false;
    if (!sendChecked(BuildSlotCommand(slot, chipType, frequencyText, band, powerSelection, refDivisor, pfd))) return;
  }
  if (!sendChecked("F;")) return;

  if (allInBand) {
    ui.MessageBox(kSaved, "Information", MessageIcon::Information);
  } else {
    ui.MessageBox(std::string(kOutOfBand) + kSaved, "Information", MessageIcon::Warning);
  }
}

}  // namespace korvane
