#include "panel/main_dlg.h"

namespace korvane {
void CMainDlg::OnFirmwareUpdate() {}
void CMainDlg::OnFirmwareInfo() {}
void CMainDlg::OnEnterBootloader() {}
}  // namespace korvane
