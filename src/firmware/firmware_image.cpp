#include "firmware/firmware_image.h"

#include <cerrno>
#include <cstring>

#include "config/file_io.h"
#include "synth/number_text.h"

namespace korvane::firmware {

std::vector<uint8_t> ReadImageFile(const std::string& path, std::string* error) {
  std::string bytes;
  std::string reason;
  switch (config::ReadRegularFile(path, kMaxImageBytes, &bytes, &reason)) {
    case config::ReadStatus::Ok:
      return std::vector<uint8_t>(bytes.begin(), bytes.end());
    case config::ReadStatus::Missing:
      reason = "Could not read \"" + path + "\": " + std::strerror(ENOENT);
      break;
    case config::ReadStatus::Failed:
      break;
  }
  if (error) *error = reason;
  return {};
}

bool IsValidImageSize(size_t byteCount) { return byteCount >= kMinImageBytes && byteCount <= kMaxImageBytes; }

std::string EraseCommand(int page) { return "E " + FormatHex(static_cast<uint32_t>(page) & 0xFF, 2) + ";"; }

std::string WriteCommand(std::span<const uint8_t> image, size_t pos) {
  uint8_t low = pos < image.size() ? image[pos] : kErasedByte;
  uint8_t high = pos + 1 < image.size() ? image[pos + 1] : kErasedByte;
  return "W " + FormatHex(high, 2) + FormatHex(low, 2) + ";";
}

}  // namespace korvane::firmware
