#include "link/protocol.h"

namespace korvane::link {

std::string SlotQuery(int slot) { return std::to_string(slot) + ";"; }

LockState ParseLock(std::string_view reply) {
  if (reply == kLockedReply) return LockState::Locked;
  if (reply == kNotLockedReply) return LockState::NotLocked;
  return LockState::Unknown;
}

}  // namespace korvane::link
