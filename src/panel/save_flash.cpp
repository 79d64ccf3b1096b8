#include "panel/main_dlg.h"

namespace korvane {
void CMainDlg::OnSaveToFlash() {}
}  // namespace korvane
