// The board's signal-generator slot driven as an instrument output: the output (OUT1 or OUT2)
// follows the frequency, the power is the level nearest the one asked for that the output
// offers, and a retune usually costs one slot set on the line.
#pragma once

#include <optional>

#include "config/panel_settings.h"
#include "link/board_link.h"
#include "session/board_facts.h"
#include "synth/solve_mode.h"

namespace korvane::scpi {

using OutputChoice = session::OutputChoice;

// What the output is asked to make.
struct OutputRequest {
  double hz = 0.0;
  Band band = Band::Out1;
  double dbm = -4.0;  // the power asked for; the output gives the nearest level it offers
  bool on = true;
};

class SigGenOutput {
 public:
  // `connected`: the settings a connect read back from the board `identity` names; the
  // signal-generator slot is taken as the output's present state.
  SigGenOutput(const link::BoardIdentity& identity, const PanelSettings& connected, SolveMode mode);

  // The board has the second output (OUT2 5..12GHz).
  bool HasSecondOutput() const;
  // The band hz goes out on under the choice; nullopt when it (or this board) cannot make it.
  std::optional<Band> BandFor(double hz, OutputChoice choice) const;
  // The lowest and highest frequency the choice reaches on this board, in Hz.
  double MinHz(OutputChoice choice) const;
  double MaxHz(OutputChoice choice) const;

  // The settings that tune the signal-generator slot to the request, with `base` as the rest of
  // the settings (a new reference, say). Pure: the board call that sends them may run anywhere.
  static PanelSettings SettingsFor(const OutputRequest& request, const PanelSettings& base, SolveMode mode);
  // The board accepted `settings` (made by SettingsFor) for the request: they are what it holds.
  void Accept(const OutputRequest& request, PanelSettings settings);
  SolveMode mode() const { return mode_; }

  // The request and settings the board holds now.
  const OutputRequest& current() const { return current_; }
  const PanelSettings& settings() const { return settings_; }
  // After a reconnect: the chip the board was identified as, and what its banner said.
  void SetBoard(ChipType chip, const link::BoardIdentity& identity);

  // The power level in effect for a request: the dBm of the nearest level its band offers.
  int EffectiveDbm(const OutputRequest& request) const;
  // What the board really makes now, in Hz; nullopt while the reference is not valid.
  std::optional<double> RealHz() const;
  // The characters of the slot set that retunes the output now: what one sweep point costs on
  // the line, with its reply.
  size_t SlotCommandLength() const;

 private:
  bool secondOutput_;
  SolveMode mode_;
  PanelSettings settings_;
  OutputRequest current_;
};

}  // namespace korvane::scpi
