// The order in which the panel's requests reach the board.
#include "panel/session_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/demo_board.h"
#include "support/recording_clock.h"

namespace korvane::panel {
namespace {

// Requests posted while another runs wait in order; a retune takes the place of a retune that
// still waits (live changes collapse to the newest), never of a request of another kind.
TEST(SessionRunner, AWaitingRetuneGivesWayToANewerOneAndNothingElseDoes) {
  test::RecordingClock clock{0};
  link::DemoStore demo;
  session::BoardSession session(clock, demo);
  InlineRunner runner(session);
  std::vector<std::string> ran;
  const auto request = [&](Request::Kind kind, std::string name, std::function<void()> then = {}) {
    return Request{kind, [&ran, name, then](session::BoardSession&, const RequestProgress&) -> Completion {
                     ran.push_back(name);
                     return then;
                   }};
  };
  runner.Post(request(Request::Kind::Other, "save", [&] {
    runner.Post(request(Request::Kind::Other, "lock"));
    runner.Post(request(Request::Kind::Retune, "retune 1"));
    runner.Post(request(Request::Kind::Connect, "connect"));
    runner.Post(request(Request::Kind::Retune, "retune 2"));
    runner.Post(request(Request::Kind::Retune, "retune 3"));
  }));
  EXPECT_EQ(ran, (std::vector<std::string>{"save", "lock", "retune 3", "connect"}));
  EXPECT_TRUE(runner.Idle());
}

}  // namespace
}  // namespace korvane::panel
