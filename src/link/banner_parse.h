// Reading a board's handshake banner: where it ends, its version tag and its identity fields.
#pragma once

#include <cstddef>
#include <string_view>

#include "link/board_link.h"
#include "link/protocol.h"

namespace korvane::link {

// A device that streams without ever sending the prompt is not read for ever.
inline constexpr size_t kMaxBannerBytes = 4096;

// True when the banner read so far ends with "Ready\n>".
bool BannerComplete(std::string_view banner);

// Where the board's own banner line starts in what answered "V;": the expected text at the start
// of a line (after a prompt ">", the ";" of an earlier reply or blanks), followed by the end of
// the line or a blank and printable text up to it. npos when no such line is there: a stream of
// noise that merely contains the text names no board.
size_t FindBannerLine(std::string_view banner, std::string_view expected);

// Sets hwVersion and sSuffix from the first known tag ("v2.", "v3.", "v3s.", "v4.", "v4s.",
// searched in that order) and scans the identity fields after it. Without a tag, and for
// "v2.", nothing is changed. versionText gets the tag with the version as written ("v3s.3.07"). The caller resets hwVersion to 1 and sSuffix to 0 beforehand.
void ApplyBanner(std::string_view banner, BoardIdentity& identity);

// Scans text as "%d.%d from %X.\nS/N %8X%8X%8X" into fwMajor, fwMinor, fwDateCode and the
// three serial words, with the semantics of scanf: white space in the pattern matches any
// run of white space (none included), fields are stored up to the first mismatch and the
// fields after it keep their values. Returns the number of fields stored.
int ScanIdentityFields(std::string_view text, BoardIdentity& identity);

}  // namespace korvane::link
