// Identifiers of the main window's controls, for the view and its tests: per-slot controls are a
// base plus the slot. Nothing below the view knows them.
#pragma once

#include "config/panel_settings.h"

namespace korvane::app::ctl {

inline constexpr int kCancel = 5;
using korvane::kSigGenSlot;
using korvane::kSlotCount;

inline constexpr int kExit = 2;
inline constexpr int kRepairUpdate = 3;
inline constexpr int kFirmwareInfo = 4;
inline constexpr int kFreqBase = 1002;  // 1002..1006
inline constexpr int kBeaconText = 1010;
inline constexpr int kSpeed = 1011;
inline constexpr int kPortList = 1012;
inline constexpr int kConnect = 1013;
inline constexpr int kDisconnect = 1014;
inline constexpr int kChipList = 1015;
inline constexpr int kBeaconBox = 1016;
inline constexpr int kScanBox = 1017;
inline constexpr int kReference = 1020;
inline constexpr int kSave = 1021;
inline constexpr int kPowerBase = 1022;  // 1022..1026
inline constexpr int kRealBase = 1027;   // 1027..1031
inline constexpr int kLoadConfig = 1032;
inline constexpr int kSaveConfig = 1033;
inline constexpr int kExtReference = 1035;
inline constexpr int kProgressBar = 1036;
inline constexpr int kProgressStatus = 1037;
inline constexpr int kChipCaption = 1038;
inline constexpr int kBandBase = 1040;  // 1040..1044
inline constexpr int kPinFunction = 1045;
inline constexpr int kExactBox = 1046;
inline constexpr int kAbout = 57664;

// The status strip and the windows beyond the panel.
inline constexpr int kStatusPort = 1050;
inline constexpr int kStatusBoard = 1051;
inline constexpr int kLockLight = 1052;
inline constexpr int kStatusReal = 1053;
inline constexpr int kSweep = 1054;
inline constexpr int kRegisters = 1055;
inline constexpr int kStatusNotice = 1056;

inline constexpr int Freq(int slot) { return kFreqBase + slot; }
inline constexpr int Power(int slot) { return kPowerBase + slot; }
inline constexpr int BandList(int slot) { return kBandBase + slot; }
inline constexpr int Real(int slot) { return kRealBase + slot; }

}  // namespace korvane::app::ctl
