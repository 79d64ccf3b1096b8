// The board's command language as the program speaks it: the commands it sends of its own
// accord, the replies it compares against, and the banners of the firmware and its bootloader.
#pragma once

#include <string>
#include <string_view>

namespace korvane::link {

// The handshake: answered by a banner ending in the prompt, not by a reply with ";".
inline constexpr char kIdentifyCommand[] = "V;";
// Every banner ends with this prompt.
inline constexpr char kBannerEnd[] = "Ready\n>";
// What a banner holds when the firmware answers, and when its bootloader does.
inline constexpr char kFirmwareBanner[] = "ADF4350 Controller";
inline constexpr char kBootloaderBanner[] = "STM32F0xx Bootloader";

// The firmware leaves for its bootloader and answers nothing.
inline constexpr char kEnterBootloaderCommand[] = "B;";
// Stores the settings sent since in the board's flash.
inline constexpr char kSaveToFlashCommand[] = "F;";
// Asks the synthesizer's lock detect.
inline constexpr char kLockCommand[] = "L;";
inline constexpr char kLockedReply[] = "L 1;";
inline constexpr char kNotLockedReply[] = "L 0;";

// The queries that read back what the board holds: mode, beacon text, keying speed and
// reference; a slot's register set is asked for with its digit ("0;" to "4;").
inline constexpr char kModeQuery[] = "M;";
inline constexpr char kTextQuery[] = "T;";
inline constexpr char kSpeedQuery[] = "S;";
inline constexpr char kReferenceQuery[] = "R;";
std::string SlotQuery(int slot);

// A command the board (or its bootloader) took.
inline constexpr char kAcceptedReply[] = "OK;";
// What the firmware answers to a command it does not know.
inline constexpr char kUnknownReply[] = "?;";
// What the firmware answers to a command it knows but does not carry out.
inline constexpr char kRefusedReply[] = "ER;";

// Whether the board took a command: its reply is exactly "OK;".
inline bool IsAccepted(std::string_view reply) { return reply == kAcceptedReply; }

// What the board's lock detect says: Unknown when it answers anything but "L 0;" or "L 1;".
enum class LockState { Unknown, NotLocked, Locked };
LockState ParseLock(std::string_view reply);

}  // namespace korvane::link
