#include "firmware/bootloader.h"

#include <cstdio>

#include "firmware/firmware_image.h"

namespace korvane::firmware {

namespace {
// The firmware needs a moment to take the two bytes off the line before the port goes,
// and the bootloader about a second and a half before it answers a handshake.
constexpr int kAfterSwitchMs = 10;
constexpr int kBootloaderStartMs = 1500;

bool Accepted(link::BoardLink& link, const std::string& command) { return link::IsAccepted(link.SendCommand(command)); }

// Integers only: "%d" and "%X" do not change with the locale.
template <typename... Args>
std::string Format(const char* format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}
}  // namespace

bool SwitchToBootloader(link::BoardLink& link) {
  if (link.GetPortState() == link::PortState::None) return false;
  link.WriteRaw(link::kEnterBootloaderCommand);
  link.clock().SleepMs(kAfterSwitchMs);
  link.ClosePort();
  return true;
}

bool LeaveRunningFirmware(link::BoardLink& link) {
  if (!SwitchToBootloader(link)) return false;
  link.clock().SleepMs(kBootloaderStartMs);
  return true;
}

std::optional<int> EraseApplicationArea(link::BoardLink& link, const std::function<void()>& step) {
  for (int page = kFirstAppPage; page <= kLastAppPage; ++page) {
    if (!Accepted(link, EraseCommand(page))) return page;
    step();
  }
  return std::nullopt;
}

bool SetWriteAddress(link::BoardLink& link) { return Accepted(link, kSetAddressCommand); }

std::optional<size_t> WriteImage(link::BoardLink& link, std::span<const uint8_t> image,
                                 const std::function<void()>& step) {
  for (size_t pos = 0; pos < image.size(); pos += 2) {
    if (!Accepted(link, WriteCommand(image, pos))) return pos;
    step();
  }
  return std::nullopt;
}

std::string VersionNumber(const link::BoardIdentity& id) {
  return Format("%d.%02d.%04d", static_cast<int>(id.hwVersion), static_cast<int>(id.fwMajor),
                static_cast<int>(id.fwMinor));
}

std::string StatedVersion(const link::BoardIdentity& id) {
  return id.versionText.empty() ? VersionNumber(id) : id.versionText;
}

std::string FirmwareInfoText(const link::BoardIdentity& id) {
  auto high = [](uint32_t w) { return static_cast<unsigned>(w >> 16); };
  auto low = [](uint32_t w) { return static_cast<unsigned>(w & 0xFFFF); };
  return "Firmware version " + VersionNumber(id) +
         Format(" from %08X. \nS/N %04X %04X %04X %04X %04X %04X", static_cast<unsigned>(id.fwDateCode),
                high(id.serialWords[0]), low(id.serialWords[0]), high(id.serialWords[1]), low(id.serialWords[1]),
                high(id.serialWords[2]), low(id.serialWords[2]));
}

std::string BootloaderVersionText(const link::BoardIdentity& id) {
  return kBootloaderVersionPrefix + std::to_string(id.hwVersion) + "." + std::to_string(id.fwMajor);
}

}  // namespace korvane::firmware
