#include "firmware/bootloader_recovery.h"

#include <cstdio>

namespace korvane::firmware {

namespace {
constexpr char kProgressTitle[] = "Please wait";
constexpr char kReconnectText[] = "Please reconnect the board.";
constexpr char kInfoCaption[] = "Firmware information";
constexpr int kSteps = 2;

// Integers only: "%d" and "%X" do not change with the locale.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}
}  // namespace

std::string FirmwareInfoText(const link::BoardIdentity& id) {
  auto high = [](uint32_t w) { return static_cast<unsigned>(w >> 16); };
  auto low = [](uint32_t w) { return static_cast<unsigned>(w & 0xFFFF); };
  return Format("Firmware version %d.%02d.%04d from %08X. \nS/N %04X %04X %04X %04X %04X %04X",
                static_cast<int>(id.hwVersion), static_cast<int>(id.fwMajor), static_cast<int>(id.fwMinor),
                static_cast<unsigned>(id.fwDateCode), high(id.serialWords[0]), low(id.serialWords[0]),
                high(id.serialWords[1]), low(id.serialWords[1]), high(id.serialWords[2]), low(id.serialWords[2]));
}

void ShowFirmwareInfo(ControlSurface& surface) {
  surface.MessageBox(FirmwareInfoText(link::GetBoardIdentity()), kInfoCaption, MessageIcon::Information);
}

Result EnterBootloader(const Host& host) {
  ControlSurface& surface = host.surface;
  ProgressWindow progress(surface, kProgressTitle);
  progress.Status(kEnteringText);
  progress.Range(kSteps);
  const bool wasConnected = LeaveRunningFirmware();
  progress.Step();

  if (!link::OpenPort(host.portName(), link::kBootloaderBanner)) {
    progress.Destroy();
    // The link went with "B;"; the panel follows it so it never shows a board that is gone.
    if (wasConnected) host.disconnect();
    ShowError(surface, kNoBootloaderText);
    return Result::Failed;
  }
  progress.Step();
  const link::BoardIdentity& id = link::GetBoardIdentity();
  ShowResult(surface, Format("Bootloader v%d.%d", static_cast<int>(id.hwVersion), static_cast<int>(id.fwMajor)));
  host.disconnect();
  progress.Destroy();
  ShowResult(surface, kReconnectText);
  return Result::Done;
}

}  // namespace korvane::firmware
