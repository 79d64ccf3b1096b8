#include "firmware/firmware_image.h"

#include <fstream>

#include "synth/number_text.h"

namespace korvane::firmware {

std::vector<uint8_t> ReadImageFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::vector<uint8_t> bytes(kMaxImageBytes);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  // A directory opens but does not read: gcount() is then 0 and the image is refused.
  std::streamsize got = in.gcount();
  bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return bytes;
}

bool IsValidImageSize(size_t byteCount) { return byteCount >= kMinImageBytes && byteCount <= kMaxImageBytes; }

std::string EraseCommand(int page) { return "E " + FormatHex(static_cast<uint32_t>(page) & 0xFF, 2) + ";"; }

std::string WriteCommand(std::span<const uint8_t> image, size_t pos) {
  uint8_t low = pos < image.size() ? image[pos] : kErasedByte;
  uint8_t high = pos + 1 < image.size() ? image[pos + 1] : kErasedByte;
  return "W " + FormatHex(high, 2) + FormatHex(low, 2) + ";";
}

}  // namespace korvane::firmware
