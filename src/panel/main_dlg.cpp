#include "panel/main_dlg.h"

#include <cctype>
#include <cmath>
#include <vector>

#include "link/board_link.h"
#include "link/port_list.h"
#include "synth/number_text.h"
#include "synth/register_set.h"

namespace korvane {

namespace {

constexpr const char* kChipCaptions[] = {"Chip (ADF4350):", "Chip (ADF4351):", "Chip (MAX2871):"};
constexpr const char* kChipListEntries[] = {"Auto", "ADF4350", "ADF4351", "MAX2871"};

constexpr char kLastPortKey[] = "port";

bool IsFrequencyField(int id) { return id >= ctl::Freq(0) && id <= ctl::Freq(ctl::kSigGenSlot); }

}  // namespace

CMainDlg::CMainDlg(ControlSurface& surface, session::BoardSession& session, link::PortEnumerator ports)
    : surface_(surface), session_(session), ports_(std::move(ports)) {}

// ---------------------------------------------------------------------------------------------
// Set-up

void CMainDlg::OnInitDialog() {
  isConnected = 0;
  pfd = 10.0;
  tuneTimer = 0;
  refDivisor = 0;
  slotValid.fill(0);

  for (int id :
       {ctl::kReference, ctl::kExtReference, ctl::kSave, ctl::kSaveConfig, ctl::kLoadConfig, ctl::kBeaconBox,
        ctl::kScanBox, ctl::kSpeed, ctl::kBeaconText, ctl::kFirmwareInfo, ctl::kPinFunction, ctl::kDisconnect}) {
    surface_.Enable(id, false);
  }
  surface_.Enable(ctl::kConnect, true);
  surface_.SetText(ctl::kChipCaption, "Chip:");
  surface_.SetText(ctl::kRepairUpdate, "Repair...");

  surface_.ResetList(ctl::kPinFunction);
  for (PinFunction function : {PinFunction::FreqCode, PinFunction::CwKeying}) {
    surface_.AddItem(ctl::kPinFunction, std::string(PinFunctionLabel(function)));
  }
  surface_.SetSelection(ctl::kPinFunction, 0);
  SetFieldText(ctl::kSpeed, "10");

  for (int s = 0; s < ctl::kSlotCount; ++s) {
    surface_.Enable(ctl::Freq(s), false);
    surface_.ResetList(ctl::BandList(s));
    for (Band band : kBands) surface_.AddItem(ctl::BandList(s), std::string(BandLabel(band)));
    surface_.SetSelection(ctl::BandList(s), 0);
    surface_.Enable(ctl::BandList(s), false);
    surface_.ResetList(ctl::Power(s));
    for (PowerLevel level : PowerLevels(chipType, Band::Out1)) {
      surface_.AddItem(ctl::Power(s), std::string(PowerLabel(level)));
    }
    surface_.SetSelection(ctl::Power(s), 0);
    surface_.Enable(ctl::Power(s), false);
    SetFieldText(ctl::Freq(s), "180.000");
  }

  surface_.SetCheck(ctl::kExactBox, surface_.Remembered(kExactSettingKey).value_or("0") == "1");

  surface_.ResetList(ctl::kChipList);
  for (const char* entry : kChipListEntries) surface_.AddItem(ctl::kChipList, entry);
  surface_.SetSelection(ctl::kChipList, 0);

  surface_.ResetList(ctl::kPortList);
  RefreshPortList();
  SelectRememberedPort();
}

// ---------------------------------------------------------------------------------------------
// Entry points

void CMainDlg::Guarded(const std::function<void()>& handler) {
  if (++busy_ == 1) surface_.SetBusy(true);
  try {
    handler();
  } catch (const link::ConnectionLost& lost) {
    // The board vanished mid-exchange. Keep every value the user has in the window and
    // fall back to the disconnected state, so that nothing typed is lost.
    surface_.ProgressDestroy();
    surface_.MessageBox(lost.what(), "Error!", MessageIcon::Stop);
    OnDisconnect();
  }
  if (--busy_ > 0) return;
  surface_.SetBusy(false);
  if (timerPending_) {
    // The tick came while the board was busy. Unless the operation armed the timer again
    // (a readout does), the send follows a full delay after the operation, never at once.
    timerPending_ = false;
    if (!armedSinceTick_) ArmTuneTimer();
  }
  if (closePending_) {
    closePending_ = false;
    Guarded([this] { Exit(); });
  }
}

void CMainDlg::RequestClose() {
  if (!IsBusy()) {
    OnCommand(ctl::kExit);
    return;
  }
  closePending_ = true;
  // Looking for a board can take three handshake time-outs; nobody waits for it now.
  if (connecting_) session_.Interrupt();
}

void CMainDlg::OnCommand(int id) {
  if (IsBusy()) return;
  Guarded([this, id] {
    switch (id) {
      case ctl::kAbout:
        surface_.ShowAbout();
        break;
      case ctl::kConnect:
        OnConnect();
        break;
      case ctl::kDisconnect:
        OnDisconnect();
        break;
      case ctl::kSave:
        OnSaveToFlash();
        break;
      case ctl::kSaveConfig:
        OnSaveConfig();
        break;
      case ctl::kLoadConfig:
        OnLoadConfig();
        break;
      case ctl::kRepairUpdate:
        OnFirmwareUpdate();
        break;
      case ctl::kFirmwareInfo:
        OnFirmwareInfo();
        break;
      case ctl::kExit:
        Exit();
        break;
      case ctl::kBeaconBox:
        EnableBeaconControls(surface_.GetCheck(ctl::kBeaconBox) ? 1 : 0);
        break;
      case ctl::kExactBox:
        OnExactChanged();
        break;
      default:
        if (id >= ctl::kFreqBase && id <= ctl::BandList(ctl::kSigGenSlot)) OnControlChanged(id);
        break;
    }
  });
}

void CMainDlg::OnUserChange(int id) { OnCommand(id); }

void CMainDlg::OnTimer(int timerId) {
  if (timerId != ctl::kTuneTimerId) return;
  if (IsBusy()) {
    // Never two exchanges at once: the send waits until the running handler is done.
    timerPending_ = true;
    armedSinceTick_ = false;
    return;
  }
  Guarded([this, timerId] { SendLiveSettings(timerId); });
}

bool CMainDlg::PreTranslateMessage(Key key, bool controlHeld) {
  if (IsBusy()) return true;
  bool consumed = false;
  switch (key) {
    case Key::Up:
    case Key::Down:
      Guarded([&] { consumed = StepFrequency(key == Key::Up ? 1 : -1); });
      break;
    case Key::B:
      if (controlHeld) {
        Guarded([this] { OnEnterBootloader(); });
        consumed = true;
      }
      break;
    case Key::Other:
      break;
  }
  return consumed;
}

void CMainDlg::OnMouseWheel(int delta) {
  if (IsBusy()) return;
  Guarded([&] { StepFrequency(delta > 0 ? 1 : -1); });
}

void CMainDlg::OnPortDropDown() {
  if (IsBusy()) return;
  Guarded([this] { RefreshPortList(); });
}

// ---------------------------------------------------------------------------------------------
// Change handling and live tuning

void CMainDlg::SetFieldText(int id, const std::string& text) {
  surface_.SetText(id, text);
  if (id >= ctl::kFreqBase && id <= ctl::BandList(ctl::kSigGenSlot)) OnControlChanged(id);
}

void CMainDlg::OnControlChanged(int id) {
  if (IsFrequencyField(id)) {
    int slot = id - ctl::kFreqBase;
    RefreshSlot(slot);
    if (slot == ctl::kSigGenSlot) ArmTuneTimer();
  } else if (id >= ctl::BandList(0) && id <= ctl::BandList(ctl::kSigGenSlot)) {
    int slot = id - ctl::kBandBase;
    RefreshSlot(slot);
    if (slot == ctl::kSigGenSlot) ArmTuneTimer();
  } else if (id == ctl::kReference || id == ctl::kExtReference) {
    ReferenceChanged();
  } else if (id == ctl::Power(ctl::kSigGenSlot)) {
    ArmTuneTimer();
  }
}

void CMainDlg::ReferenceChanged() {
  AcceptReference(surface_.GetText(ctl::kReference), chipType, refDivisor, pfd);
  for (int s = 0; s < ctl::kSlotCount; ++s) RefreshSlot(s);
  ArmTuneTimer();
}

void CMainDlg::OnExactChanged() {
  const bool exact = surface_.GetCheck(ctl::kExactBox);
  surface_.Remember(kExactSettingKey, exact ? "1" : "0");
  // Every slot is solved again at once; the signal generator follows half a second later.
  for (int s = 0; s < ctl::kSlotCount; ++s) RefreshSlot(s);
  ArmTuneTimer();
}

void CMainDlg::ArmTuneTimer() {
  if (refDivisor <= 0) return;
  armedSinceTick_ = true;
  tuneTimer = ctl::kTuneTimerId;
  surface_.StartTuneTimer(ctl::kTuneDelayMs);
}

void CMainDlg::FitSlotPowerList(int slot) {
  const int list = ctl::Power(slot);
  // A band list without a selection counts as not the main output.
  const Band band = surface_.GetSelection(ctl::BandList(slot)) == 0 ? Band::Out1 : Band::Out2;
  // The list shows the other output's levels until it is fitted.
  const Band shown = band == Band::Out1 ? Band::Out2 : Band::Out1;
  if (surface_.GetCount(list) != static_cast<int>(PowerLevels(chipType, shown).size())) return;
  const PowerLevel kept = FitPowerLevel(
      chipType, band, PowerLevelAt(chipType, shown, surface_.GetSelection(list)).value_or(PowerLevel::Off));
  surface_.ResetList(list);
  for (PowerLevel level : PowerLevels(chipType, band)) surface_.AddItem(list, std::string(PowerLabel(level)));
  surface_.SetSelection(list, PowerListIndex(chipType, band, kept));
}

void CMainDlg::RefreshSlot(int slot) {
  FitSlotPowerList(slot);
  const PanelSettings settings = ReadSettings();
  const SlotSettings& s = settings.freqSlots[static_cast<size_t>(slot)];
  std::optional<double> f = ReadDouble(s.frequency);
  slotValid[slot] = f && refDivisor > 0 ? IsInBand(chipType, s.band, *f) : 0;
  surface_.SetText(ctl::Real(slot), session::RealFrequencyLabel(settings, slot));
  surface_.SetToolTip(ctl::Real(slot), session::FrequencyErrorText(settings, slot));
  surface_.SetWarning(ctl::Freq(slot), slotValid[slot] == 0);
}

bool CMainDlg::NeedsWarningColour(int id) const { return IsFrequencyField(id) && slotValid[id - ctl::kFreqBase] == 0; }

std::string CMainDlg::ReferenceCommand() const { return session_.ReferenceCommand(ReadSettings()); }

PanelSettings CMainDlg::ReadSettings() const {
  PanelSettings settings;
  settings.chip = chipType;
  settings.reference = surface_.GetText(ctl::kReference);
  settings.extReference = surface_.GetCheck(ctl::kExtReference);
  settings.exact = surface_.GetCheck(ctl::kExactBox);
  settings.refDivisor = refDivisor;
  settings.pfd = pfd;
  for (int s = 0; s < ctl::kSlotCount; ++s) {
    SlotSettings& slot = settings.freqSlots[static_cast<size_t>(s)];
    slot.frequency = surface_.GetText(ctl::Freq(s));
    slot.band = surface_.GetSelection(ctl::BandList(s)) == 1 ? Band::Out2 : Band::Out1;
    // No selection in the power list keeps the output off.
    slot.power = PowerLevelAt(chipType, slot.band, surface_.GetSelection(ctl::Power(s))).value_or(PowerLevel::Off);
  }
  settings.beacon = surface_.GetCheck(ctl::kBeaconBox);
  settings.scan = surface_.GetCheck(ctl::kScanBox);
  settings.pinFunction = surface_.GetSelection(ctl::kPinFunction) == 1 ? PinFunction::CwKeying : PinFunction::FreqCode;
  settings.speed = surface_.GetText(ctl::kSpeed);
  settings.text = surface_.GetText(ctl::kBeaconText);
  return settings;
}

void CMainDlg::SendLiveSettings(int timerId) {
  if (timerId != ctl::kTuneTimerId) return;
  surface_.StopTuneTimer();
  tuneTimer = 0;
  if (isConnected == 0 || refDivisor <= 0) return;
  // The window shows what the board makes; a refusal changes nothing it could show.
  session_.Tune(ReadSettings(), ctl::kSigGenSlot);
}

// ---------------------------------------------------------------------------------------------
// Stepping, beacon rule, exit

bool CMainDlg::StepFrequency(int direction) {
  int id = surface_.GetFocus();
  if (!IsFrequencyField(id)) return false;
  std::string text = surface_.GetText(id);
  int caret = surface_.GetCaret(id);
  if (caret <= 0 || caret > static_cast<int>(text.size()) ||
      !std::isdigit(static_cast<unsigned char>(text[static_cast<size_t>(caret - 1)]))) {
    return true;
  }
  std::optional<double> value = ReadDouble(text);
  if (!value) return true;  // letters before the digits: nothing to step from
  size_t point = text.find_first_of(".,");
  int p = point == std::string::npos ? static_cast<int>(text.size()) : static_cast<int>(point);
  int exponent = caret <= p ? p - caret : p + 1 - caret;
  double step = std::pow(10.0, exponent);
  SetFieldText(id, FormatFixed(*value + direction * step, 6));
  surface_.SetCaret(id, caret);
  return true;
}

void CMainDlg::EnableBeaconControls(int enable) {
  for (int id : {ctl::kScanBox, ctl::kSpeed, ctl::kBeaconText, ctl::kPinFunction}) surface_.Enable(id, enable != 0);
  if (enable == 0) surface_.SetSelection(ctl::kPinFunction, 0);
}

void CMainDlg::Exit() {
  session_.Close();
  surface_.Quit(0);
}

// ---------------------------------------------------------------------------------------------
// Port list, connect, readout, disconnect

void CMainDlg::RefreshPortList() {
  // What the user chose or typed survives a new reading of the list while it still means a
  // port; else the first entry is chosen, as at start.
  const std::string chosen = surface_.GetCount(ctl::kPortList) > 0 ? PortName() : std::string();
  surface_.ResetList(ctl::kPortList);
  std::vector<link::PortInfo> ports = link::ListSerialPorts(ports_);
  int found = -1;
  for (size_t i = 0; i < ports.size(); ++i) {
    surface_.AddItem(ctl::kPortList, ports[i].name);
    if (!ports[i].description.empty()) {
      surface_.SetItemTooltip(ctl::kPortList, static_cast<int>(i), ports[i].description);
    }
    if (ports[i].name == chosen) found = static_cast<int>(i);
  }
  if (found >= 0) {
    surface_.SetSelection(ctl::kPortList, found);
  } else if (link::IsUsablePortName(chosen)) {
    surface_.SetSelection(ctl::kPortList, -1);
    surface_.SetText(ctl::kPortList, chosen);
  } else {
    surface_.SetSelection(ctl::kPortList, 0);
  }
}

void CMainDlg::SelectRememberedPort() {
  const std::optional<std::string> last = surface_.Remembered(kLastPortKey);
  if (!last) return;
  for (int i = 0, n = surface_.GetCount(ctl::kPortList); i < n; ++i) {
    if (surface_.GetItemText(ctl::kPortList, i) == *last) {
      surface_.SetSelection(ctl::kPortList, i);
      return;
    }
  }
  if (!link::IsUsablePortName(*last)) return;
  surface_.SetSelection(ctl::kPortList, -1);
  surface_.SetText(ctl::kPortList, *last);
}

std::string CMainDlg::PortName() const {
  int selection = surface_.GetSelection(ctl::kPortList);
  std::string typed = surface_.GetText(ctl::kPortList);
  if (selection < 0) return typed;
  std::string entry = surface_.GetItemText(ctl::kPortList, selection);
  // A name typed over the chosen entry is what the user means.
  return typed.empty() ? entry : typed;
}

void CMainDlg::OnConnect() {
  const int chipEntry = surface_.GetSelection(ctl::kChipList);
  const auto choice =
      chipEntry >= 1 && chipEntry <= 3 ? static_cast<session::ChipChoice>(chipEntry) : session::ChipChoice::Auto;
  connecting_ = true;
  session::ConnectResult result;
  try {
    result = session_.Connect(PortName(), choice, ReadSettings());
  } catch (...) {
    connecting_ = false;
    throw;
  }
  connecting_ = false;
  using Status = session::ConnectResult::Status;
  switch (result.status) {
    case Status::NotFound:
      // A window that is closing does not stop to say that nothing was found.
      if (!closePending_) {
        surface_.MessageBoxDetails(session::kCouldNotFind, "", MessageIcon::Information, result.reason);
      }
      OnDisconnect();
      return;
    case Status::HwTooOld:
      surface_.MessageBox(session::kHwTooOld, "", MessageIcon::Information);
      return;
    case Status::FwTooOld:
      surface_.MessageBox(session::kFwTooOld, "", MessageIcon::Information);
      return;
    case Status::CommunicationError:
      // A failed identification leaves the panel as it was; a failed readout shows what it
      // read before it fails.
      if (choice == session::ChipChoice::Auto && !result.identified) {
        CommunicationFailure();
        return;
      }
      break;
    case Status::Connected:
      break;
  }
  chipType = result.readout.settings.chip;
  if (result.identified) surface_.SetText(ctl::kChipCaption, kChipCaptions[static_cast<int>(chipType)]);
  SetConnectedControls();
  ApplyReadout(result.readout);
  if (!result.ok()) {
    CommunicationFailure();
    return;
  }
  isConnected = 1;
  surface_.Remember(kLastPortKey, PortName());
  surface_.SetFocus(ctl::Freq(ctl::kSigGenSlot));
}

void CMainDlg::SetConnectedControls() {
  const link::BoardIdentity& identity = session_.Identity();
  surface_.Enable(ctl::kReference, true);
  surface_.Enable(ctl::kExtReference, identity.hwVersion > 1);
  for (int s = 0; s < ctl::kSlotCount; ++s) {
    surface_.Enable(ctl::Freq(s), true);
    surface_.Enable(ctl::Power(s), true);
    surface_.Enable(ctl::BandList(s), identity.sSuffix == 1);
  }
  for (int id : {ctl::kSave, ctl::kSaveConfig, ctl::kLoadConfig, ctl::kBeaconBox}) surface_.Enable(id, true);
  surface_.Enable(ctl::kFirmwareInfo, identity.hwVersion > 2);
  surface_.Enable(ctl::kDisconnect, true);
  surface_.Enable(ctl::kConnect, false);
  surface_.Enable(ctl::kPortList, false);
  surface_.SetText(ctl::kRepairUpdate, "Update...");
  surface_.Enable(ctl::kRepairUpdate, identity.hwVersion > 2);
}

void CMainDlg::WriteSlot(int slot, const SlotSettings& settings) {
  // Band first, then the power list fitted to that band, then the power; the frequency text
  // comes last, so that its change handling sees the new selections.
  surface_.SetSelection(ctl::BandList(slot), static_cast<int>(settings.band));
  FitSlotPowerList(slot);
  surface_.SetSelection(ctl::Power(slot), PowerListIndex(chipType, settings.band, settings.power));
  SetFieldText(ctl::Freq(slot), settings.frequency);
}

void CMainDlg::ApplyReadout(const session::Readout& readout) {
  using R = session::Readout;
  const PanelSettings& s = readout.settings;
  if (readout.stages >= R::kMode) {
    surface_.SetCheck(ctl::kBeaconBox, s.beacon);
    EnableBeaconControls(s.beacon ? 1 : 0);
    surface_.SetCheck(ctl::kScanBox, s.scan);
    surface_.SetSelection(ctl::kPinFunction, static_cast<int>(s.pinFunction));
  }
  if (readout.stages >= R::kText) SetFieldText(ctl::kBeaconText, s.text);
  if (readout.stages >= R::kSpeed) SetFieldText(ctl::kSpeed, s.speed);
  if (readout.stages >= R::kReference) {
    if (!readout.referenceReadable) {
      pfd = 10.0;
      refDivisor = 1;
    }
    surface_.SetCheck(ctl::kExtReference, s.extReference);
  }
  for (int slot = 0; slot < ctl::kSlotCount; ++slot) {
    if (readout.stages < R::kSlot0 + slot + 1) break;
    if (!readout.slotOn[static_cast<size_t>(slot)]) {
      surface_.SetSelection(ctl::Power(slot), 0);
      surface_.SetSelection(ctl::BandList(slot), 0);
      continue;
    }
    if (slot == 0) {
      // The board's own divider and reference: the text written next accepts the same.
      refDivisor = s.refDivisor;
      pfd = s.pfd;
      SetFieldText(ctl::kReference, s.reference);
    }
    WriteSlot(slot, s.freqSlots[static_cast<size_t>(slot)]);
  }
}

void CMainDlg::CommunicationFailure() {
  surface_.MessageBox(session::kCommunicationError, "", MessageIcon::Information);
  OnDisconnect();
}

void CMainDlg::OnDisconnect() {
  isConnected = 0;
  session_.Close();
  surface_.Enable(ctl::kPortList, true);
  surface_.Enable(ctl::kReference, false);
  surface_.Enable(ctl::kExtReference, false);
  for (int s = 0; s < ctl::kSlotCount; ++s) {
    surface_.Enable(ctl::Freq(s), false);
    surface_.Enable(ctl::Power(s), false);
    surface_.Enable(ctl::BandList(s), false);
  }
  for (int id : {ctl::kSave, ctl::kSaveConfig, ctl::kLoadConfig, ctl::kBeaconBox, ctl::kScanBox, ctl::kSpeed,
                 ctl::kBeaconText, ctl::kPinFunction, ctl::kFirmwareInfo, ctl::kDisconnect}) {
    surface_.Enable(id, false);
  }
  surface_.Enable(ctl::kConnect, true);
  surface_.Enable(ctl::kRepairUpdate, true);
  surface_.SetText(ctl::kRepairUpdate, "Repair...");
  surface_.SetText(ctl::kChipCaption, "Chip:");
  surface_.SetFocus(ctl::kPortList);
}

}  // namespace korvane
