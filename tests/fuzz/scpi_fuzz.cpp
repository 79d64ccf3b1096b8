// Feeds arbitrary bytes, as any client on the network might send them, to the SCPI parser and to
// the instrument behind it on the demo board: each input line runs as one line a client sent.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "link/demo_board.h"
#include "scpi/scpi_commands.h"
#include "scpi/scpi_instrument.h"
#include "scpi/scpi_parser.h"
#include "session/board_session.h"
#include "support/demo_instrument.h"

namespace {

using namespace korvane;

void CheckParameter(std::string_view text, scpi::Quantity quantity) {
  const scpi::Parameter p = scpi::ReadParameter(text, quantity, scpi::kLimitKeywords);
  switch (p.error) {
    case scpi::kNoError:
      if (!std::isfinite(p.number) || (p.isKeyword && p.keyword >= scpi::kLimitCount)) std::abort();
      break;
    case scpi::kSyntaxError:
    case scpi::kInvalidSuffix:
    case scpi::kDataOutOfRange:
    case scpi::kIllegalParameterValue:
      break;
    default:
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  scpi::HeaderResolver resolver(scpi::CommandPatterns());
  for (const scpi::ProgramUnit& unit : scpi::SplitLine(bytes)) {
    if (unit.error != scpi::kNoError && unit.error != scpi::kSyntaxError) std::abort();
    if (unit.error == scpi::kNoError && unit.nodes.empty()) std::abort();
    const int index = resolver.Resolve(unit);
    if (index >= static_cast<int>(scpi::Commands().size())) std::abort();
    for (const std::string& param : unit.params) {
      if (param.empty()) std::abort();
      for (scpi::Quantity q :
           {scpi::Quantity::Plain, scpi::Quantity::Frequency, scpi::Quantity::Power, scpi::Quantity::Time}) {
        CheckParameter(param, q);
      }
    }
  }

  static test::ManualClock clock;
  static link::DemoStore demo;
  static session::BoardSession session(clock, demo);
  static const PanelSettings connected = [] {
    PanelSettings start;
    start.reference.clear();
    return session.Connect(link::kDemoPortName, session::ChipChoice::Max2871, start).readout.settings;
  }();
  scpi::Instrument instrument(session, clock, {link::kDemoPortName, session::ChipChoice::Max2871, SolveMode::Exact},
                              connected);
  instrument.AddClient(1);
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::optional<std::string> reply = instrument.Execute(1, bytes.substr(start, end - start));
    // A sweep runs a few points and is aborted by another client; a line waiting for it goes on.
    // Each round gets the line one command further, so it cannot wait for ever.
    for (size_t round = 0; round <= size + 1; ++round) {
      for (int point = 0; point < 8 && instrument.Sweeping(); ++point) {
        clock.now = instrument.NextPointDueMs();
        instrument.RunSweepPoint();
      }
      if (instrument.Sweeping()) instrument.Execute(2, "ABOR");
      if (!instrument.Waiting(1)) break;
      reply = instrument.Resume(1);
    }
    if (instrument.Waiting(1)) std::abort();
    // One reply line per line: nothing a client sent may break it up.
    if (reply && reply->find('\n') != std::string::npos) std::abort();
    start = end + 1;
  }
  // The error queue stays bounded and answers in its own format.
  for (size_t i = 0; i <= scpi::kErrorQueueSize; ++i) {
    const std::optional<std::string> error = instrument.Execute(1, "SYST:ERR?");
    if (!error || error->find(",\"") == std::string::npos) std::abort();
    if (i == scpi::kErrorQueueSize && *error != "0,\"No error\"") std::abort();
  }
  return 0;
}
