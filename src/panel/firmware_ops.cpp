// The main window's firmware commands: update, identity, bootloader recovery. The session
// talks to the board on the runner; the file choice, the progress window and the messages are
// steps of the presenter.
#include <memory>
#include <vector>

#include "firmware/bootloader.h"
#include "firmware/firmware_image.h"
#include "panel/main_dlg.h"

namespace korvane::panel {

namespace {

constexpr const char* kUpdateTitle = QT_TRANSLATE_NOOP("Texts", "Updating Firmware");
constexpr const char* kRecoveryTitle = QT_TRANSLATE_NOOP("Texts", "Please wait");
constexpr const char* kInfoCaption = QT_TRANSLATE_NOOP("Texts", "Firmware information");
constexpr int kEnteringSteps = 2;

}  // namespace

void CMainDlg::OnFirmwareUpdate() {
  if (!StartOperation(Operation::Updating)) return;
  view_.ChooseFile({Tr(QT_TRANSLATE_NOOP("Texts", "Firmware files (*.img)")), "*.img", "img", false},
                   [this](std::optional<std::string> path) {
                     if (!path) {
                       EndOperation();
                       return;
                     }
                     StartUpdate(*path);
                   });
}

void CMainDlg::StartUpdate(const std::string& path) {
  auto image = std::make_shared<const std::vector<uint8_t>>(firmware::ReadImageFile(path));
  if (!firmware::IsValidImageSize(image->size())) {
    ShowError(Tr(QT_TRANSLATE_NOOP("Texts", "File: %1 is not a valid firmware image!"), {path}),
              [this] { EndOperation(); });
    return;
  }
  model_.OpenProgress(Tr(kUpdateTitle));
  model_.SetProgressPhase(Tr(texts::kEntering), kEnteringSteps);
  runner_.Post({Request::Kind::Other,
                [this, image, port = model_.port()](session::BoardSession& session,
                                                    const RequestProgress& progress) -> Completion {
                  const bool wasConnected = session.LeaveRunningFirmware();
                  if (!session.OpenBootloader(port)) {
                    return [this, wasConnected] { FinishUpdate(false, wasConnected, {}); };
                  }
                  const session::FirmwareResult result = session.WriteFirmware(*image, progress.phase, progress.step);
                  return [this, wasConnected, result] { FinishUpdate(true, wasConnected, result); };
                }});
}

void CMainDlg::FinishUpdate(bool opened, bool wasConnected, const session::FirmwareResult& result) {
  if (!opened) {
    model_.CloseProgress();
    // The link went with "B;"; the panel follows it so it never shows a board that is gone.
    if (wasConnected) Disconnected();
    ShowError(Tr(texts::kNoBootloader), [this] { EndOperation(); });
    return;
  }
  if (!result.ok()) {
    // The board stays in its bootloader with a partial image; "Repair..." starts over.
    model_.CloseProgress();
    ShowError(texts::FirmwareMessage(result), [this] {
      Disconnected();
      EndOperation();
    });
    return;
  }
  Disconnected();
  model_.CloseProgress();
  ShowResult(texts::FirmwareMessage(result), [this] { EndOperation(); });
}

void CMainDlg::OnFirmwareInfo() {
  // While the box is up the panel is busy: a tuning tick waits until it is closed.
  if (!StartOperation(Operation::Working)) return;
  Show({texts::FirmwareInfo(model_.identity()), Tr(kInfoCaption), MessageIcon::Information, {}},
       [this] { EndOperation(); });
}

void CMainDlg::OnEnterBootloader() {
  if (!StartOperation(Operation::Working)) return;
  model_.OpenProgress(Tr(kRecoveryTitle));
  model_.SetProgressPhase(Tr(texts::kEntering), kEnteringSteps);
  runner_.Post(
      {Request::Kind::Other,
       [this, port = model_.port()](session::BoardSession& session, const RequestProgress& progress) -> Completion {
         const bool wasConnected = session.LeaveRunningFirmware();
         progress.step();
         if (!session.OpenBootloader(port)) {
           return [this, wasConnected] {
             model_.CloseProgress();
             if (wasConnected) Disconnected();
             ShowError(Tr(texts::kNoBootloader), [this] { EndOperation(); });
           };
         }
         progress.step();
         return [this, identity = session.Identity()] {
           ShowResult(texts::BootloaderVersion(identity), [this] {
             Disconnected();
             model_.CloseProgress();
             ShowResult(Tr(texts::kReconnect), [this] { EndOperation(); });
           });
         };
       }});
}

}  // namespace korvane::panel
