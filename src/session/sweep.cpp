#include "session/sweep.h"

#include <algorithm>
#include <cmath>

#include "synth/number_text.h"

namespace korvane::session {

namespace {

constexpr int kStopPollMs = 20;

const char* LockText(LockState state) {
  switch (state) {
    case LockState::Locked:
      return "locked";
    case LockState::NotLocked:
      return "not locked";
    case LockState::Unknown:
      break;
  }
  return "unknown";
}

}  // namespace

std::optional<std::vector<double>> SweepRange(double start, double stop, double step, ListProblem* why) {
  if (!(step > 0.0)) {
    *why = {ListProblem::Kind::StepNotPositive, 0, {}};
    return std::nullopt;
  }
  const double span = std::fabs(stop - start);
  if (span / step >= static_cast<double>(kMaxSweepPoints)) {
    *why = {ListProblem::Kind::TooManyPoints, 0, {}};
    return std::nullopt;
  }
  const int64_t points = static_cast<int64_t>(std::floor(span / step * (1.0 + 1e-12))) + 1;
  const double direction = stop < start ? -1.0 : 1.0;
  std::vector<double> mhz;
  mhz.reserve(static_cast<size_t>(points));
  for (int64_t i = 0; i < points; ++i) mhz.push_back(start + direction * step * static_cast<double>(i));
  return mhz;
}

SweepEnd RunSweep(BoardSession& session, Clock& clock, const PanelSettings& base, std::span<const double> mhz,
                  std::span<const Band> bands, const SweepOptions& options,
                  const std::function<void(const SweepSample&)>& report, const std::function<bool()>& stop) {
  SweepEnd end;
  end.last = base;
  const PowerLevel held = base.slot(Slot::SigGen).power;
  const int64_t begin = clock.NowMs();
  for (int64_t pass = 0; options.passes == 0 || pass < options.passes; ++pass) {
    for (size_t i = 0; i < mhz.size(); ++i) {
      if (stop()) {
        end.stopped = true;
        return end;
      }
      PanelSettings next = end.last;
      SlotSettings& slot = next.slot(Slot::SigGen);
      // Millihertz in MHz: the frequency asked for, to the resolution it is reported in.
      slot.frequency = FormatFixed(mhz[i], 9);
      slot.band = bands[i];
      const PowerLevel level = options.power.value_or(held);
      slot.power =
          level == PowerLevel::Off ? PowerLevel::Off : NearestPowerLevel(next.chip, bands[i], *PowerLevelDbm(level));
      const TuneResult result = session.Retune(next, Slot::SigGen);
      if (!result.accepted()) {
        end.refused = result;
        return end;
      }
      end.last = next;
      ++end.points;
      SweepSample sample;
      sample.pass = pass;
      sample.index = i;
      sample.requestedMhz = mhz[i];
      sample.realMhz = RealFrequency(next, Slot::SigGen);
      if (options.readLock) sample.lock = session.ReadLock();
      sample.seconds = static_cast<double>(clock.NowMs() - begin) / 1000.0;
      report(sample);
      for (int64_t left = options.dwellMs; left > 0 && !stop(); left -= kStopPollMs) {
        clock.SleepMs(static_cast<int>(std::min<int64_t>(left, kStopPollMs)));
      }
    }
  }
  return end;
}

std::string SweepCsv(std::span<const SweepSample> samples) {
  std::string csv = "seconds,requested_mhz,real_mhz,lock\n";
  for (const SweepSample& s : samples) {
    csv += FormatFixed(s.seconds, 3) + "," + FormatFixed(s.requestedMhz, 6) + "," +
           (s.realMhz ? FormatFixed(*s.realMhz, 6) : std::string()) + "," + (s.lock ? LockText(*s.lock) : "") + "\n";
  }
  return csv;
}

}  // namespace korvane::session
