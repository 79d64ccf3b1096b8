// Retune: the reference command goes out only when the board does not hold it already.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "session/board_session.h"
#include "support/recording_clock.h"
#include "support/virtual_board.h"

namespace korvane::session {
namespace {

TEST(Retune, SendsTheReferenceOnlyWhenTheBoardDoesNotHoldIt) {
  test::VirtualBoard board({.hwTag = "v4s."});
  test::RecordingClock clock;
  link::DemoStore demo;
  BoardSession session(clock, demo);
  PanelSettings start;
  start.reference.clear();
  ConnectResult connected = session.Connect(board.path(), ChipChoice::Max2871, start);
  ASSERT_TRUE(connected.ok());
  PanelSettings settings = connected.readout.settings;
  SlotSettings& sg = settings.slot(Slot::SigGen);

  const struct {
    const char* what;
    std::function<TuneResult()> step;
    std::vector<std::string> references;  // reference commands on the line
    bool accepted;
  } steps[] = {
      {"first retune after connecting", [&] { return session.Retune(settings); }, {"R  10.000000  ;"}, true},
      {"a new frequency",
       [&] {
         sg.frequency = "432";
         return session.Retune(settings);
       },
       {},
       true},
      {"external reference",
       [&] {
         settings.extReference = true;
         return session.Retune(settings);
       },
       {"R  10.000000 E;"},
       true},
      {"exact solving",
       [&] {
         settings.exact = true;
         return session.Retune(settings);
       },
       {},
       true},
      {"Tune always sends it", [&] { return session.Tune(settings); }, {"R  10.000000 E;"}, true},
      {"after a save to flash",
       [&] {
         session.SaveToFlash(settings);
         board.ClearLog();
         return session.Retune(settings);
       },
       {},
       true},
      {"after connecting again",
       [&] {
         session.Connect(board.path(), ChipChoice::Max2871, settings);
         board.ClearLog();
         return session.Retune(settings);
       },
       {"R  10.000000 E;"},
       true},
      {"a refused reference",
       [&] {
         board.SetRefuse("R ", "?;");
         settings.extReference = false;
         return session.Retune(settings);
       },
       {"R  10.000000  ;"},
       false},
      {"is not taken as held", [&] { return session.Retune(settings); }, {"R  10.000000  ;"}, false},
  };
  for (const auto& s : steps) {
    board.ClearLog();
    const TuneResult result = s.step();
    std::vector<std::string> references;
    for (const std::string& command : board.Log()) {
      if (command.rfind("R ", 0) == 0) references.push_back(command);
    }
    EXPECT_EQ(references, s.references) << s.what;
    EXPECT_EQ(result.accepted(), s.accepted) << s.what;
    EXPECT_EQ(board.Log().back(), result.slot.command) << s.what;
  }
}

}  // namespace
}  // namespace korvane::session
