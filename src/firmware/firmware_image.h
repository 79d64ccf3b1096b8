// Firmware image files and the bootloader commands that carry them into a board's flash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane::firmware {

// The application area behind the 8 KiB bootloader: pages 8..31 of 1 KiB each, which is
// exactly the largest image.
inline constexpr size_t kMinImageBytes = 20480;
inline constexpr size_t kMaxImageBytes = 24576;
inline constexpr int kFirstAppPage = 8;
inline constexpr int kLastAppPage = 31;
inline constexpr uint32_t kAppBaseAddress = 0x08002000;

inline constexpr char kSetAddressCommand[] = "A 08002000;";

// What erased flash reads as; it stands in for the missing high byte of an odd-length image.
inline constexpr uint8_t kErasedByte = 0xFF;

// At most kMaxImageBytes from the start of the file; empty when it cannot be read or is not
// a regular file (a FIFO or /dev/zero is no image), with the reason in *error when given.
std::vector<uint8_t> ReadImageFile(const std::string& path, std::string* error = nullptr);

bool IsValidImageSize(size_t byteCount);

// Halfword commands needed for an image: an odd last byte still takes a whole halfword.
inline constexpr size_t HalfwordCount(size_t byteCount) { return (byteCount + 1) / 2; }

// "E %02X;"
std::string EraseCommand(int page);

// "W %02X%02X;" for the halfword at byte offset pos: the byte at pos + 1 (high) first, then
// the byte at pos. Past the end of the image the high byte is kErasedByte.
std::string WriteCommand(std::span<const uint8_t> image, size_t pos);

}  // namespace korvane::firmware
