#include "session/sweep.h"

#include <algorithm>
#include <cmath>

#include "synth/number_text.h"

namespace korvane::session {

namespace {

constexpr int kStopPollMs = 20;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

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

std::optional<std::vector<double>> SweepRange(double start, double stop, double step, std::string* why) {
  if (!(step > 0.0)) {
    *why = "STEP must be above 0 (a sweep from a higher START goes down)";
    return std::nullopt;
  }
  const double span = std::fabs(stop - start);
  if (span / step >= static_cast<double>(kMaxSweepPoints)) {
    *why = "more than a million points";
    return std::nullopt;
  }
  const int64_t points = static_cast<int64_t>(std::floor(span / step * (1.0 + 1e-12))) + 1;
  const double direction = stop < start ? -1.0 : 1.0;
  std::vector<double> mhz;
  mhz.reserve(static_cast<size_t>(points));
  for (int64_t i = 0; i < points; ++i) mhz.push_back(start + direction * step * static_cast<double>(i));
  return mhz;
}

std::optional<std::vector<double>> ReadFrequencyList(std::string_view text, std::string* why) {
  // Files written where the decimal mark is a comma separate their columns with ';' (or a tab);
  // there a comma is the decimal mark, elsewhere it ends the column.
  const bool commaIsDecimal = text.find_first_of(";\t") != std::string_view::npos;
  const char* separators = commaIsDecimal ? ";\t" : ",;\t";
  std::vector<double> mhz;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const size_t cut = line.find_first_of(separators);
    const bool oneField = cut == std::string_view::npos;
    std::string_view rest = Trim(line.substr(0, cut));
    // A typed line may hold several numbers between blanks; a CSV field holds one.
    while (!rest.empty()) {
      const size_t blank = oneField ? rest.find(' ') : std::string_view::npos;
      const std::string_view field = rest.substr(0, blank);
      const std::optional<double> value = commaIsDecimal ? ReadTypedNumber(field) : ReadNumberStrict(field);
      if (!value) break;
      if (mhz.size() >= static_cast<size_t>(kMaxSweepPoints)) {
        *why = "more than a million points";
        return std::nullopt;
      }
      mhz.push_back(*value);
      rest = blank == std::string_view::npos ? std::string_view() : Trim(rest.substr(blank + 1));
    }
  }
  if (mhz.empty()) {
    *why = "no frequency in the list (one number in MHz per line, or the first column of a CSV file)";
    return std::nullopt;
  }
  return mhz;
}

std::optional<Band> AutoBand(ChipType chip, int sSuffix, double mhz) {
  if (IsInBand(chip, Band::Out1, mhz)) return Band::Out1;
  if (sSuffix == 1 && IsInBand(chip, Band::Out2, mhz)) return Band::Out2;
  return std::nullopt;
}

SweepEnd RunSweep(BoardSession& session, Clock& clock, const PanelSettings& base, std::span<const double> mhz,
                  std::span<const Band> bands, const SweepOptions& options,
                  const std::function<void(const SweepSample&)>& report, const std::function<bool()>& stop) {
  SweepEnd end;
  end.last = base;
  const PowerLevel held = base.freqSlots[kSigGenSlot].power;
  const int64_t begin = clock.NowMs();
  for (int64_t pass = 0; options.passes == 0 || pass < options.passes; ++pass) {
    for (size_t i = 0; i < mhz.size(); ++i) {
      if (stop()) {
        end.stopped = true;
        return end;
      }
      PanelSettings next = end.last;
      SlotSettings& slot = next.freqSlots[kSigGenSlot];
      // Millihertz in MHz: the frequency asked for, to the resolution it is reported in.
      slot.frequency = FormatFixed(mhz[i], 9);
      slot.band = bands[i];
      const PowerLevel level = options.power.value_or(held);
      slot.power =
          level == PowerLevel::Off ? PowerLevel::Off : NearestPowerLevel(next.chip, bands[i], *PowerLevelDbm(level));
      const TuneResult result = session.Retune(next, kSigGenSlot);
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
      sample.realMhz = RealFrequency(next, kSigGenSlot);
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
