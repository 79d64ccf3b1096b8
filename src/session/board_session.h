// One board as a library: connect and read back, tune, save to flash, firmware update and
// bootloader entry, with typed results. Every front end (window, korvane-cli, the instrument
// server) talks to a board through a session; one piece of code decides what is sent.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/panel_settings.h"
#include "config/slot_words.h"
#include "link/board_link.h"
#include "link/demo_board.h"
#include "link/demo_transport.h"
#include "link/protocol.h"
#include "session/board_facts.h"
#include "synth/field_overrides.h"
#include "synth/register_set.h"
#include "synth/solve_mode.h"

namespace korvane::session {

// What a connect's chip identification left on the board.
enum class ProbeTrace {
  None,       // nothing was written to the board
  PutBack,    // the probe ran and the board's own reference and slot-4 set were put back
  MayRemain,  // the probe ran and could not be put back (the link was lost or refused it)
};

// What the real-frequency label shows when nothing can be solved.
inline constexpr char kNoFrequencyLabel[] = "/ ----.---";
// The beacon text a board keeps, in characters; a line break counts as one blank.
inline constexpr size_t kBeaconTextMax = 120;

// A slot's expert setting that cannot go out, and why.
struct SlotIssue {
  Slot slot = Slot::SigGen;
  FieldIssue issue;
  bool operator==(const SlotIssue&) const = default;
};

// A board value of a slot that gave way to Korvane's, and why.
struct SlotNote {
  Slot slot = Slot::SigGen;
  FieldNote note;
  bool operator==(const SlotNote&) const = default;
};

// What reading a board back produced, stage by stage: a read that fails part-way still
// reports what it got before the failure.
struct Readout {
  enum Stage { kNothing = 0, kMode, kText, kSpeed, kReference, kSlot0 };
  int stages = kNothing;                  // kSlot0 + n: slots 0..n-1 were read as well
  bool referenceReadable = true;          // "R;" gave a number; else 10 MHz, divider 1 are assumed
  std::array<bool, kSlotCount> slotOn{};  // a stored set (R0 != 0) was read for the slot
  // Set: the slot's stored words cannot be the chip's and were left aside, and why.
  std::array<std::optional<FieldIssue>, kSlotCount> notes;
  PanelSettings settings;  // the settings given, with everything read applied
};

struct ConnectResult {
  enum class Status { Connected, NotFound, HwTooOld, FwTooOld, CommunicationError };
  Status status = Status::NotFound;
  link::OpenFailure reason;   // NotFound: why the port could not be used
  bool inBootloader = false;  // NotFound: the board answered from its bootloader
  bool identified = false;    // the chip was found by probing
  Readout readout;

  bool ok() const { return status == Status::Connected; }
};

struct Exchange {
  std::string command;
  std::string reply;
  bool accepted() const { return link::IsAccepted(reply); }
};

// The two programs a board runs: its firmware, and the bootloader that replaces it.
enum class BoardPart { Firmware, Bootloader };

// What a handshake on a port found.
struct HandshakeResult {
  bool found = false;
  link::OpenFailure reason;      // not found: why the port could not be used
  link::BoardIdentity identity;  // found: what the banner says
  bool ok() const { return found; }
};

struct TuneResult {
  Exchange reference;  // empty command: Retune left out a reference the board already holds
  Exchange slot;
  // Set: the slot's overrides cannot go out, for this reason; nothing was sent.
  std::optional<SlotIssue> refusal;
  // Board values that gave way to Korvane's in the words sent, and why.
  std::vector<SlotNote> notes;
  bool accepted() const { return !refusal && (reference.command.empty() || reference.accepted()) && slot.accepted(); }
};

// What the board's lock detect says ("L;").
using LockState = link::LockState;

struct SaveResult {
  enum class Status { Saved, InvalidParameters, SemicolonInBeacon, InvalidOverrides, Refused, Stopped };
  Status status = Status::Saved;
  bool allInBand = true;            // Saved: every switched-on output is inside the chip's band
  Exchange refused;                 // Refused: the command the board did not accept
  std::optional<SlotIssue> reason;  // InvalidOverrides: which slot and why; nothing was sent
  int slotsSent = 0;                // the slots (in SlotName order) the board has accepted
  bool ok() const { return status == Status::Saved; }
};

enum class FirmwarePhase { Erasing, Flashing };

struct FirmwareResult {
  enum class Status { Done, NoBootloader, EraseFailed, AddressFailed, WriteFailed };
  Status status = Status::Done;
  int page = 0;               // EraseFailed
  size_t offset = 0;          // WriteFailed: byte offset of the refused halfword
  bool wasConnected = false;  // a running board was switched over first
  link::OpenFailure reason;   // NoBootloader: why the port could not be used
  bool ok() const { return status == Status::Done; }
};

class BoardSession {
 public:
  BoardSession(Clock& clock, link::DemoStore& demo, link::TransportFactory factory = link::MakeTransport);

  // Opens the port, identifies the board (probing the chip when asked), reads back every
  // setting. `current` supplies what the board does not hold.
  ConnectResult Connect(const std::string& port, ChipChoice chip, const PanelSettings& current);
  void Close();
  bool IsOpen() const { return link_.GetPortState() != link::PortState::None; }

  // The reference command ("R % 3.6lf %lc;", or "R % 3.6lf;" on the first hardware).
  std::string ReferenceCommand(const PanelSettings& settings) const;
  // Sends the reference and one slot's register set; the replies are read and reported.
  TuneResult Tune(const PanelSettings& settings, Slot slot = Slot::SigGen);
  // Tune for a stream of retunes (an instrument, a sweep): the reference command goes out only
  // when it differs from the one this session last had accepted since connecting, so a retune
  // usually costs one slot set on the line.
  TuneResult Retune(const PanelSettings& settings, Slot slot = Slot::SigGen);
  // Asks the board whether its synthesizer reports lock: Unknown without asking a board whose firmware
  // cannot tell (see BoardCapabilities::lockQuery), and Unknown when no answer comes in time from a board that still
  // answers; ConnectionLost when it answers nothing at all.
  LockState ReadLock();
  // The ten commands that store the whole configuration in the board's flash.
  // stop: asked before each command; once it says true, nothing more is sent (Status::Stopped).
  SaveResult SaveToFlash(const PanelSettings& settings, const std::function<bool()>& stop = {});

  // Firmware: switch a running board over (if one is connected), find its bootloader, erase
  // and write the image. progress(phase, total) starts a phase; step() follows each command.
  bool LeaveRunningFirmware();
  bool OpenBootloader(const std::string& port);
  FirmwareResult WriteFirmware(std::span<const uint8_t> image,
                               const std::function<void(FirmwarePhase, int total)>& phase,
                               const std::function<void()>& step);
  FirmwareResult UpdateFirmware(const std::string& port, std::span<const uint8_t> image,
                                const std::function<void(FirmwarePhase, int total)>& phase,
                                const std::function<void()>& step);

  // Opens the port and shakes hands with the board's firmware or its bootloader; nothing is
  // read back and the port stays open.
  HandshakeResult Open(const std::string& port, BoardPart part);
  // Open and close again: who answers on the port.
  HandshakeResult ReadIdentity(const std::string& port, BoardPart part);
  // Sends one command as it is and reads its reply. ConnectionLost when the board stops answering.
  Exchange Send(const std::string& command);
  // Sends "B;" to the running firmware, which answers nothing, and lets the port go; false when
  // no board was open.
  bool SwitchToBootloader();
  // Ctrl+B: switches a running board over (if one is open), finds its bootloader on the port and
  // closes again; the identity is the bootloader's.
  HandshakeResult EnterBootloader(const std::string& port);

  const link::BoardIdentity& Identity() const { return link_.GetBoardIdentity(); }
  // What opening the port warned of (a network port that did not agree to serial-port
  // control); None when nothing.
  const link::OpenFailure& OpenWarning() const { return link_.OpenWarning(); }
  // The clock the session's waits run on.
  Clock& clock() { return link_.clock(); }
  // Ends a connect's handshakes at once (a cancelled connect, a window that is closing) and
  // makes every later wait give up until ClearInterrupt. Safe from another thread. While a chip
  // identification probe is on the board, the request waits until the probe has been put back.
  void Interrupt();
  void ClearInterrupt();
  // What the last Connect's identification left on the board.
  ProbeTrace LastProbe() const { return lastProbe_; }

  // How long a reply may keep the session waiting for its next byte (link::kDefaultReadTimeoutMs
  // unless a test shortens it).
  void SetReadTimeoutMs(int ms) { link_.SetReadTimeoutMs(ms); }
  int ReadTimeoutMs() const { return link_.ReadTimeoutMs(); }

 private:
  enum class Identify { Identified, HwTooOld, FwTooOld, Failed };
  Identify IdentifyChip(ChipType& chip);
  // Marks the span in which the board holds a probe: false (and nothing to probe) when an
  // interrupt came first. EndProbe applies an interrupt that came meanwhile.
  bool BeginProbe();
  void EndProbe(bool putBack);
  TuneResult SendTune(const PanelSettings& settings, Slot slot, bool reference);
  bool ReadBack(Readout& readout);

  link::BoardLink link_;
  // The reference command the board accepted last from this session; empty when unknown.
  std::string heldReference_;
  std::mutex interruptMutex_;  // guards the probe span against a concurrent Interrupt
  std::atomic<bool> interruptRequested_{false};
  bool probeOn_ = false;
  ProbeTrace lastProbe_ = ProbeTrace::None;
};

// How a slot's settings solve, in the settings' mode; nullopt when the text is no number or
// the reference is not valid.
std::optional<SlotSolution> SolveSlot(const PanelSettings& settings, Slot slot);
// The real frequency a slot's settings give, in MHz; nullopt as for SolveSlot.
std::optional<double> RealFrequency(const PanelSettings& settings, Slot slot);
// What the window's real-frequency label shows: "/ %5.6lf", or "/ ----.---".
std::string RealFrequencyLabel(const PanelSettings& settings, Slot slot);
// The reference command for a board of this identity ("R % 3.6lf %lc;", or "R % 3.6lf;" on the
// first hardware).
std::string ReferenceCommand(const PanelSettings& settings, const link::BoardIdentity& identity);
using korvane::KorvaneWords;
using korvane::PlanSlotWords;
// The slot's words the settings give, in the settings' mode, with board and user values.
RegisterSet SlotWords(const PanelSettings& settings, Slot slot);
// The board values of the slot that give way to Korvane's.
std::vector<SlotNote> SlotNotes(const PanelSettings& settings, Slot slot);

// The slot command the settings give: SlotWords as text.
std::string SlotCommand(const PanelSettings& settings, Slot slot);
// Why the slot's overrides cannot go out with its words; nullopt when they can (always for a slot
// without overrides).
std::optional<SlotIssue> SlotRefusal(const PanelSettings& settings, Slot slot);
using korvane::SlotName;

}  // namespace korvane::session
