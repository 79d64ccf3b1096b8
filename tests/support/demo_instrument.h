// The demo board (a MAX2871 with the second output) served as an instrument, on a clock whose
// pauses take no time: for the instrument's tests and fuzz targets. Header only, so that targets
// without the test support library can use it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "base/clock.h"
#include "link/demo_board.h"
#include "scpi/scpi_instrument.h"
#include "session/board_session.h"

namespace korvane::test {

// Board pauses and time-outs take no real time; a test moves `now` itself. Atomic: a server's
// board calls may wait on it from their own thread.
class ManualClock : public Clock {
 public:
  int64_t NowMs() override { return now; }
  void SleepMs(int ms) override { now += ms; }
  std::atomic<int64_t> now{0};
};

// Connects the session to the demo board and makes its instrument (exact solving); nullptr
// when the demo board does not connect.
inline std::unique_ptr<scpi::Instrument> ConnectDemoInstrument(session::BoardSession& session, Clock& clock) {
  PanelSettings start;
  start.reference.clear();
  const session::ConnectResult result = session.Connect(link::kDemoPortName, session::ChipChoice::Max2871, start);
  if (!result.ok()) return nullptr;
  return std::make_unique<scpi::Instrument>(
      session, clock, scpi::Instrument::Options{link::kDemoPortName, session::ChipChoice::Max2871, SolveMode::Exact},
      result.readout.settings);
}

}  // namespace korvane::test
