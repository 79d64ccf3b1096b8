// The main window's firmware commands: update, identity, bootloader recovery.
#include "firmware/bootloader_recovery.h"
#include "firmware/firmware_update.h"
#include "panel/main_dlg.h"

namespace korvane {

namespace {
firmware::Host MakeHost(CMainDlg& dlg) {
  return {dlg.surface(), [&dlg] { return dlg.PortName(); }, [&dlg] { dlg.OnDisconnect(); }};
}
}  // namespace

void CMainDlg::OnFirmwareUpdate() { firmware::UpdateFirmware(MakeHost(*this)); }

void CMainDlg::OnFirmwareInfo() { firmware::ShowFirmwareInfo(surface_); }

void CMainDlg::OnEnterBootloader() { firmware::EnterBootloader(MakeHost(*this)); }

}  // namespace korvane
