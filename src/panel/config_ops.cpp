#include "panel/main_dlg.h"

namespace korvane {
void CMainDlg::OnSaveConfig() {}
void CMainDlg::OnLoadConfig() {}
}  // namespace korvane
