#include "firmware/firmware_update.h"

#include <string>
#include <vector>

#include "firmware/firmware_image.h"
#include "link/board_link.h"
#include "synth/number_text.h"

namespace korvane::firmware {

namespace {
constexpr char kProgressTitle[] = "Updating Firmware";
constexpr char kErasingText[] = "Erasing Flash...";
constexpr char kFlashingText[] = "Flashing Firmware...";
constexpr char kDoneText[] = "Firmware was updated. Please reconnect the board.";
constexpr int kEnteringSteps = 2;

bool Accepted(const std::string& command) { return link::SendCommand(command) == kOkReply; }
}  // namespace

std::optional<int> EraseApplicationArea(const std::function<void()>& step) {
  for (int page = kFirstAppPage; page <= kLastAppPage; ++page) {
    if (!Accepted(EraseCommand(page))) return page;
    step();
  }
  return std::nullopt;
}

bool SetWriteAddress() { return Accepted(kSetAddressCommand); }

std::optional<size_t> WriteImage(std::span<const uint8_t> image, const std::function<void()>& step) {
  for (size_t pos = 0; pos < image.size(); pos += 2) {
    if (!Accepted(WriteCommand(image, pos))) return pos;
    step();
  }
  return std::nullopt;
}

Result UpdateFirmware(const Host& host) {
  ControlSurface& surface = host.surface;
  std::optional<std::string> path = surface.ChooseFile({"Firmware files (*.img)", "*.img", "img", false});
  if (!path) return Result::Cancelled;

  const std::vector<uint8_t> image = ReadImageFile(*path);
  if (!IsValidImageSize(image.size())) {
    ShowError(surface, "File: " + *path + " is not a valid firmware image!");
    return Result::Failed;
  }

  ProgressWindow progress(surface, kProgressTitle);
  progress.Status(kEnteringText);
  progress.Range(kEnteringSteps);
  const bool wasConnected = LeaveRunningFirmware();

  if (!link::OpenPort(host.portName(), link::kBootloaderBanner)) {
    progress.Destroy();
    // The link went with "B;"; the panel follows it so it never shows a board that is gone.
    if (wasConnected) host.disconnect();
    ShowError(surface, kNoBootloaderText);
    return Result::Failed;
  }

  // Each failure leaves the board in its bootloader with a partial image; "Repair..." starts
  // over with the erase.
  auto fail = [&](const std::string& text) {
    progress.Destroy();
    ShowError(surface, text);
    host.disconnect();
    return Result::Failed;
  };
  auto step = [&] { progress.Step(); };

  progress.Status(kErasingText);
  progress.Range(kLastAppPage - kFirstAppPage + 1);
  if (std::optional<int> page = EraseApplicationArea(step)) {
    return fail("Cannot erase page " + std::to_string(*page) + "!");
  }
  if (!SetWriteAddress()) return fail("Address setting error!");

  progress.Status(kFlashingText);
  // One step per halfword actually written, the odd last byte's halfword included.
  progress.Range(static_cast<int>(HalfwordCount(image.size())));
  if (std::optional<size_t> pos = WriteImage(image, step)) {
    return fail("Error writing address " + FormatHex(kAppBaseAddress + static_cast<uint32_t>(*pos), 8) + "h!");
  }

  host.disconnect();
  progress.Destroy();
  ShowResult(surface, kDoneText);
  return Result::Done;
}

}  // namespace korvane::firmware
