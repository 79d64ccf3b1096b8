#include "panel/main_dlg.h"

#include <cctype>
#include <cmath>
#include <vector>

#include "link/board_link.h"
#include "link/clock.h"
#include "link/port_list.h"
#include "synth/number_text.h"
#include "synth/register_set.h"
#include "synth/solver.h"

namespace korvane {

namespace {

constexpr char kNoFrequencyLabel[] = "/ ----.---";
constexpr char kCouldNotFind[] = "Could not find Synth board!";
constexpr char kCommunicationError[] = "Communication eror!";
constexpr char kHwTooOld[] =
    "Automatic PLL chip identification works only with HW version 3 or higher.\n"
    "Please set the correct chip type manually and reconnect the board.";
constexpr char kFwTooOld[] =
    "Automatic PLL chip identification works only with FW version 3.01 or higher.\n"
    "Please update board firmware if you want to use automatic chip identification.\n"
    "Or set the correct chip type manually and reconnect the board.";
constexpr char kFixedReference[] = "R  10.000000  ;";
constexpr const char* kChipCaptions[] = {"Chip (ADF4350):", "Chip (ADF4351):", "Chip (MAX2871):"};
constexpr const char* kChipListEntries[] = {"Auto", "ADF4350", "ADF4351", "MAX2871"};
constexpr const char* kPinFunctions[] = {"Freq. code", "CW keying"};

// Identification probes: a slot-4 set that only the named chip locks on.
struct Probe {
  ChipType chip;
  const char* command;
};
constexpr Probe kProbes[] = {
    {ChipType::Max2871, "4 812C0000 08008010 18007EC0 01000000 008C8038 60400000;"},
    {ChipType::Adf4351, "4 000C0000 00008010 18017EC0 00000000 00678038 00400000;"},
};

bool IsFrequencyField(int id) { return id >= ctl::Freq(0) && id <= ctl::Freq(ctl::kSigGenSlot); }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

CMainDlg::CMainDlg(ControlSurface& surface) : surface_(surface) {}

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
  for (const char* entry : kPinFunctions) surface_.AddItem(ctl::kPinFunction, entry);
  surface_.SetSelection(ctl::kPinFunction, 0);
  SetFieldText(ctl::kSpeed, "10");

  for (int s = 0; s < ctl::kSlotCount; ++s) {
    surface_.Enable(ctl::Freq(s), false);
    surface_.ResetList(ctl::BandList(s));
    for (const char* label : kBandLabels) surface_.AddItem(ctl::BandList(s), label);
    surface_.SetSelection(ctl::BandList(s), 0);
    surface_.Enable(ctl::BandList(s), false);
    surface_.ResetList(ctl::Power(s));
    for (const char* label : kPowerLabels) surface_.AddItem(ctl::Power(s), label);
    surface_.SetSelection(ctl::Power(s), 0);
    surface_.Enable(ctl::Power(s), false);
    SetFieldText(ctl::Freq(s), "180.000");
  }

  surface_.ResetList(ctl::kChipList);
  for (const char* entry : kChipListEntries) surface_.AddItem(ctl::kChipList, entry);
  surface_.SetSelection(ctl::kChipList, 0);

  RefreshPortList();
}

// ---------------------------------------------------------------------------------------------
// Entry points

void CMainDlg::Guarded(const std::function<void()>& handler) {
  ++busy_;
  try {
    handler();
  } catch (const link::ConnectionLost& lost) {
    // The board vanished mid-exchange. Keep every value the user has in the window and
    // fall back to the disconnected state, so that nothing typed is lost.
    surface_.ProgressDestroy();
    surface_.MessageBox(lost.what(), "Error!", MessageIcon::Stop);
    OnDisconnect();
  }
  --busy_;
  if (busy_ == 0 && timerPending_) {
    timerPending_ = false;
    Guarded([this] { SendLiveSettings(ctl::kTuneTimerId); });
  }
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

void CMainDlg::ArmTuneTimer() {
  if (refDivisor <= 0) return;
  tuneTimer = ctl::kTuneTimerId;
  surface_.StartTuneTimer(ctl::kTuneDelayMs);
}

void CMainDlg::FitSlotPowerList(int slot) {
  const int list = ctl::Power(slot);
  std::vector<std::string> entries;
  for (int i = 0, n = surface_.GetCount(list); i < n; ++i) entries.push_back(surface_.GetItemText(list, i));
  int selection = surface_.GetSelection(list);
  if (!FitPowerList(surface_.GetSelection(ctl::BandList(slot)), entries, selection)) return;
  surface_.ResetList(list);
  for (const std::string& entry : entries) surface_.AddItem(list, entry);
  surface_.SetSelection(list, selection);
}

void CMainDlg::RefreshSlot(int slot) {
  std::string text = surface_.GetText(ctl::Freq(slot));
  Band band = surface_.GetSelection(ctl::BandList(slot));
  FitSlotPowerList(slot);
  std::optional<double> f = ReadDouble(text);
  std::string label = kNoFrequencyLabel;
  if (!f || refDivisor <= 0) {
    slotValid[slot] = 0;
  } else {
    slotValid[slot] = IsInBand(chipType, band, *f);
    PllSolution solution = SolvePll(chipType, band, *f, pfd);
    label = "/ " + FormatFixed(AchievedFrequency(solution, band, pfd), 6, 5);
  }
  surface_.SetText(ctl::Real(slot), label);
  surface_.SetWarning(ctl::Freq(slot), slotValid[slot] == 0);
}

bool CMainDlg::NeedsWarningColour(int id) const { return IsFrequencyField(id) && slotValid[id - ctl::kFreqBase] == 0; }

std::string CMainDlg::ReferenceCommand() const {
  std::string command = "R " + FormatFixed(refDivisor * pfd * 0.5, 6, 3, true);
  if (link::GetBoardIdentity().hwVersion == 1) return command + ";";
  return command + " " + (surface_.GetCheck(ctl::kExtReference) ? "E" : " ") + ";";
}

void CMainDlg::SendLiveSettings(int timerId) {
  if (timerId != ctl::kTuneTimerId) return;
  surface_.StopTuneTimer();
  tuneTimer = 0;
  if (isConnected == 0 || refDivisor <= 0) return;
  link::SendCommand(ReferenceCommand());
  const int sg = ctl::kSigGenSlot;
  link::SendCommand(BuildSlotCommand(sg, chipType, surface_.GetText(ctl::Freq(sg)),
                                     surface_.GetSelection(ctl::BandList(sg)), surface_.GetSelection(ctl::Power(sg)),
                                     refDivisor, pfd));
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
  link::ClosePort();
  surface_.Quit(0);
}

// ---------------------------------------------------------------------------------------------
// Port list, connect, readout, disconnect

void CMainDlg::RefreshPortList() {
  surface_.ResetList(ctl::kPortList);
  std::vector<link::PortInfo> ports = link::ListSerialPorts();
  for (size_t i = 0; i < ports.size(); ++i) {
    surface_.AddItem(ctl::kPortList, ports[i].name);
    if (!ports[i].description.empty()) {
      surface_.SetItemTooltip(ctl::kPortList, static_cast<int>(i), ports[i].description);
    }
  }
  surface_.SetSelection(ctl::kPortList, 0);
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
  if (!link::OpenPort(PortName(), link::kFirmwareBanner)) {
    surface_.MessageBox(kCouldNotFind, "", MessageIcon::Information);
    OnDisconnect();
    return;
  }
  int chipEntry = surface_.GetSelection(ctl::kChipList);
  if (chipEntry >= 1 && chipEntry <= 3) {
    chipType = static_cast<ChipType>(chipEntry - 1);
  } else {
    switch (IdentifyChip()) {
      case IdentifyResult::Identified:
        break;
      case IdentifyResult::Refused:
        return;
      case IdentifyResult::Failed:
        CommunicationFailure();
        return;
    }
  }
  SetConnectedControls();
  if (!ReadBoardSettings()) {
    CommunicationFailure();
    return;
  }
  isConnected = 1;
  surface_.SetFocus(ctl::Freq(ctl::kSigGenSlot));
}

CMainDlg::IdentifyResult CMainDlg::IdentifyChip() {
  const link::BoardIdentity& identity = link::GetBoardIdentity();
  if (identity.hwVersion < 3) {
    surface_.MessageBox(kHwTooOld, "", MessageIcon::Information);
    link::ClosePort();
    return IdentifyResult::Refused;
  }
  if (identity.hwVersion == 3 && identity.fwMajor == 0) {
    surface_.MessageBox(kFwTooOld, "", MessageIcon::Information);
    link::ClosePort();
    return IdentifyResult::Refused;
  }
  // Keep what the board runs now, so that it can be put back after probing.
  std::string savedSlot = link::SendCommand("4;");
  if (!StartsWith(savedSlot, "4 ")) return IdentifyResult::Failed;
  std::string savedReference = link::SendCommand("R;");
  if (!StartsWith(savedReference, "R ")) return IdentifyResult::Failed;
  if (identity.hwVersion >= 4) {
    if (link::SendCommand(kFixedReference) != "OK;") return IdentifyResult::Failed;
    GetClock().SleepMs(20);
  }
  ChipType found = ChipType::Adf4350;
  for (const Probe& probe : kProbes) {
    if (link::SendCommand(probe.command) != "OK;") return IdentifyResult::Failed;
    GetClock().SleepMs(200);
    std::string lock = link::SendCommand("L;");
    if (lock == "L 1;") {
      found = probe.chip;
      break;
    }
    if (lock != "L 0;") return IdentifyResult::Failed;
  }
  chipType = found;
  if (link::SendCommand(savedReference) != "OK;") return IdentifyResult::Failed;
  if (link::SendCommand(savedSlot) != "OK;") return IdentifyResult::Failed;
  surface_.SetText(ctl::kChipCaption, kChipCaptions[static_cast<int>(chipType)]);
  return IdentifyResult::Identified;
}

void CMainDlg::SetConnectedControls() {
  const link::BoardIdentity& identity = link::GetBoardIdentity();
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

bool CMainDlg::ReadBoardSettings() {
  const link::BoardIdentity& identity = link::GetBoardIdentity();

  std::string mode = link::SendCommand("M;");
  if (mode.size() < 4) return false;
  uint32_t modeValue = ReadHex(std::string_view(mode).substr(1)).value_or(0);
  bool beacon = (modeValue & 1) != 0;
  surface_.SetCheck(ctl::kBeaconBox, beacon);
  EnableBeaconControls(beacon ? 1 : 0);
  surface_.SetCheck(ctl::kScanBox, (modeValue & 2) != 0);
  surface_.SetSelection(ctl::kPinFunction, beacon && (modeValue & 4) ? 1 : 0);

  std::string text = link::SendCommand("T;");
  SetFieldText(ctl::kBeaconText, text.size() > 3 ? text.substr(2, text.size() - 3) : std::string());

  std::string speed = link::SendCommand("S;");
  if (!StartsWith(speed, "S")) return false;
  std::optional<uint32_t> speedValue = ReadHex(std::string_view(speed).substr(1));
  if (!speedValue) return false;
  // A stored code of 0 would mean an infinite keying speed; show the default speed instead
  // so that the next save sends a code the board can use.
  SetFieldText(ctl::kSpeed, *speedValue == 0 ? "10.0" : FormatFixed(6664.0 / *speedValue, 1, 3));

  std::string reference = link::SendCommand("R;");
  std::optional<double> referenceValue =
      reference.empty() ? std::nullopt : ReadDouble(std::string_view(reference).substr(1));
  if (!referenceValue) {
    pfd = 10.0;
    refDivisor = 1;
    surface_.SetCheck(ctl::kExtReference, false);
    referenceValue = 10.0;
  } else {
    surface_.SetCheck(ctl::kExtReference, reference.find('E') != std::string::npos);
  }

  for (int s = 0; s < ctl::kSlotCount; ++s) {
    auto words = ParseRegisterReply(link::SendCommand(std::to_string(s) + ";"));
    if (!words) return false;
    if ((*words)[0] == 0) {
      surface_.SetSelection(ctl::Power(s), 0);
      surface_.SetSelection(ctl::BandList(s), 0);
      continue;
    }
    DecodedSet decoded = DecodeRegisterSet(*words, identity.sSuffix);
    if (s == 0) {
      // A stored divisor of 0 cannot give a comparison frequency; the reference text
      // written next decides then.
      if (decoded.refDivisor > 0) {
        refDivisor = decoded.refDivisor;
        pfd = *referenceValue * 2.0 / refDivisor;
      }
      SetFieldText(ctl::kReference, FormatFixed(*referenceValue, 6, 3));
    }
    std::string frequency = FormatFixed(AchievedFrequency(decoded.solution, decoded.band, pfd), 6, 5);
    surface_.SetSelection(ctl::BandList(s), decoded.band);
    FitSlotPowerList(s);
    surface_.SetSelection(ctl::Power(s), decoded.powerIndex);
    SetFieldText(ctl::Freq(s), frequency);
  }
  return true;
}

void CMainDlg::CommunicationFailure() {
  surface_.MessageBox(kCommunicationError, "", MessageIcon::Information);
  OnDisconnect();
}

void CMainDlg::OnDisconnect() {
  isConnected = 0;
  link::ClosePort();
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
