#include "link/demo_board.h"

#include "base/text_encoding.h"
#include "link/protocol.h"

namespace korvane::link {

namespace {

// The demo board answers for its firmware and for its bootloader alike (both names are in its
// banner), so that information, Ctrl+B and an update find it without a board in between.
constexpr char kDemoBanner[] =
    "ADF4350 Controller v3s.40.1234 from 16052019.\nS/N 111111112222222233333333\nSTM32F0xx Bootloader\nReady\n>";

// Position of a key in the store, or -1.
int EntryIndex(char key) {
  switch (key) {
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
      return key - '0';
    case 'M':
      return 5;
    case 'S':
      return 6;
    case 'T':
      return 7;
    case 'R':
      return 8;
    default:
      return -1;
  }
}

}  // namespace

DemoStore::DemoStore()
    : entries_{
          "0 01033328 2000FFE8 18007FC0 01000000 008C8140 60400000;",
          "1 81200000 00008010 18007EC0 01000000 008C8028 60400000;",
          "2 01033328 2000FFE8 18007FC0 01000000 00AC8028 60400000;",
          "3 00AC8018 20008028 18007FC0 01000000 00BC8028 60400000;",
          "4 00E60020 20008028 18007FC0 01000000 00DC8028 60400000;",
          "M 00;",
          "S 1BC0;",
          "T test de qx9abc #5000;",
          "R  10.000000  ;",
      } {}

std::string DemoStore::Answer(std::string_view command) {
  // A one-character command has the terminating zero as its second character.
  const char c1 = command.empty() ? '\0' : command[0];
  const char c2 = command.size() < 2 ? '\0' : command[1];
  const int index = EntryIndex(c1);
  if (c2 == ';') {
    if (index >= 0) return entries_[index];
    switch (c1) {
      case 'B':
      case 'F':
        return kAcceptedReply;
      case 'L':
        return kLockedReply;
      case 'V':
        return kDemoBanner;
      default:
        return kUnknownReply;
    }
  }
  if (index < 0) return kUnknownReply;
  entries_[index] = std::string(command);
  return kAcceptedReply;
}

std::string DemoStore::Entry(char key) const {
  const int index = EntryIndex(key);
  return index < 0 ? std::string() : text::Latin1ToUtf8(entries_[index]);
}

}  // namespace korvane::link
