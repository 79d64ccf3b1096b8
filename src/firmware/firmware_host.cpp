#include "firmware/firmware_host.h"

#include "firmware/firmware_image.h"
#include "link/board_link.h"
#include "link/clock.h"

namespace korvane::firmware {

namespace {
// The firmware needs a moment to take the two bytes off the line before the port goes,
// and the bootloader about a second and a half before it answers a handshake.
constexpr int kAfterSwitchMs = 10;
constexpr int kBootloaderStartMs = 1500;
}  // namespace

ProgressWindow::ProgressWindow(ControlSurface& surface, const std::string& title) : surface_(surface) {
  surface_.ProgressCreate(title);
}

ProgressWindow::~ProgressWindow() { Destroy(); }

void ProgressWindow::Status(const std::string& text) { surface_.ProgressStatus(text); }
void ProgressWindow::Range(int n) { surface_.ProgressRange(n); }
void ProgressWindow::Step() { surface_.ProgressStep(); }

void ProgressWindow::Destroy() {
  if (!open_) return;
  open_ = false;
  surface_.ProgressDestroy();
}

bool LeaveRunningFirmware() {
  if (link::GetPortState() == link::PortState::None) return false;
  link::WriteRaw(kEnterBootloaderCommand);  // nothing goes out on Demo
  GetClock().SleepMs(kAfterSwitchMs);
  link::ClosePort();
  GetClock().SleepMs(kBootloaderStartMs);
  return true;
}

void ShowError(ControlSurface& surface, const std::string& text) {
  surface.MessageBox(text, "", MessageIcon::Information);
}

void ShowResult(ControlSurface& surface, const std::string& text) {
  surface.MessageBox(text, kInformationCaption, MessageIcon::Information);
}

}  // namespace korvane::firmware
