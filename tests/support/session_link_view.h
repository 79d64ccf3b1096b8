// What the tests read of a session's connection, in the link's own words: the session keeps
// its link to itself.
#pragma once

#include "link/board_link.h"
#include "session/board_session.h"

namespace korvane::test {

class SessionLinkView {
 public:
  explicit SessionLinkView(session::BoardSession& session) : session_(session) {}

  link::PortState GetPortState() const { return session_.IsOpen() ? link::PortState::Open : link::PortState::None; }
  const link::BoardIdentity& GetBoardIdentity() const { return session_.Identity(); }
  void SetReadTimeoutMs(int ms) { session_.SetReadTimeoutMs(ms); }
  int ReadTimeoutMs() const { return session_.ReadTimeoutMs(); }

 private:
  session::BoardSession& session_;
};

}  // namespace korvane::test
