// The main window's firmware commands: update, identity, bootloader recovery. The session
// talks to the board; the file choice, the progress window and the messages live here.
#include <vector>

#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"
#include "panel/main_dlg.h"

namespace korvane {

namespace {

constexpr char kUpdateTitle[] = "Updating Firmware";
constexpr char kRecoveryTitle[] = "Please wait";
constexpr char kReconnectText[] = "Please reconnect the board.";
constexpr char kInfoCaption[] = "Firmware information";
constexpr char kInformationCaption[] = "Information";
constexpr int kEnteringSteps = 2;

// The progress window of one operation. It is destroyed at the latest when the operation
// leaves, also when a lost board connection unwinds it, so no window outlives its operation.
class ProgressWindow {
 public:
  ProgressWindow(ControlSurface& surface, const std::string& title) : surface_(surface) {
    surface_.ProgressCreate(title);
  }
  ~ProgressWindow() { Destroy(); }
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  void Phase(const std::string& status, int steps) {
    surface_.ProgressStatus(status);
    surface_.ProgressRange(steps);
  }
  void Step() { surface_.ProgressStep(); }
  void Destroy() {
    if (!open_) return;
    open_ = false;
    surface_.ProgressDestroy();
  }

 private:
  ControlSurface& surface_;
  bool open_ = true;
};

}  // namespace

// Refusals and errors come in a box without a caption of its own, results with "Information".
void CMainDlg::ShowError(const std::string& text) { surface_.MessageBox(text, "", MessageIcon::Information); }

void CMainDlg::ShowResult(const std::string& text) {
  surface_.MessageBox(text, kInformationCaption, MessageIcon::Information);
}

void CMainDlg::OnFirmwareUpdate() {
  std::optional<std::string> path = surface_.ChooseFile({"Firmware files (*.img)", "*.img", "img", false});
  if (!path) return;
  const std::vector<uint8_t> image = firmware::ReadImageFile(*path);
  if (!firmware::IsValidImageSize(image.size())) {
    ShowError("File: " + *path + " is not a valid firmware image!");
    return;
  }

  ProgressWindow progress(surface_, kUpdateTitle);
  progress.Phase(firmware::kEnteringText, kEnteringSteps);
  const bool wasConnected = session_.LeaveRunningFirmware();
  if (!session_.OpenBootloader(PortName())) {
    progress.Destroy();
    // The link went with "B;"; the panel follows it so it never shows a board that is gone.
    if (wasConnected) OnDisconnect();
    ShowError(firmware::kNoBootloaderText);
    return;
  }
  const session::FirmwareResult result = session_.WriteFirmware(
      image,
      [&](session::FirmwarePhase phase, int total) {
        progress.Phase(phase == session::FirmwarePhase::Erasing ? firmware::kErasingText : firmware::kFlashingText,
                       total);
      },
      [&] { progress.Step(); });
  if (!result.ok()) {
    // The board stays in its bootloader with a partial image; "Repair..." starts over.
    progress.Destroy();
    ShowError(result.Message());
    OnDisconnect();
    return;
  }
  OnDisconnect();
  progress.Destroy();
  ShowResult(result.Message());
}

void CMainDlg::OnFirmwareInfo() {
  surface_.MessageBox(firmware::FirmwareInfoText(session_.Identity()), kInfoCaption, MessageIcon::Information);
}

void CMainDlg::OnEnterBootloader() {
  ProgressWindow progress(surface_, kRecoveryTitle);
  progress.Phase(firmware::kEnteringText, kEnteringSteps);
  const bool wasConnected = session_.LeaveRunningFirmware();
  progress.Step();
  if (!session_.OpenBootloader(PortName())) {
    progress.Destroy();
    if (wasConnected) OnDisconnect();
    ShowError(firmware::kNoBootloaderText);
    return;
  }
  progress.Step();
  ShowResult(firmware::BootloaderVersionText(session_.Identity()));
  OnDisconnect();
  progress.Destroy();
  ShowResult(kReconnectText);
}

}  // namespace korvane
