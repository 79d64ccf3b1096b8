// The board as a SCPI instrument: its state (frequency, output, power, reference, sweeps), the
// commands of the table run against it, and each client's error queue and status registers.
// It runs one line at a time; the server decides the order and drives sweeps point by point.
// Board calls run at once, or (RunBoardCallsWith) elsewhere while the instrument goes on with
// commands that need no board; its state stays on the thread that runs its commands.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "scpi/scpi_commands.h"
#include "scpi/scpi_parser.h"
#include "scpi/sig_gen_output.h"
#include "scpi/status_registers.h"
#include "session/board_session.h"
#include "synth/frequency_plan.h"

namespace korvane::scpi {

using ClientId = int;

// How many errors a client's queue keeps; the last place goes to "Queue overflow" when full.
inline constexpr size_t kErrorQueueSize = 20;
// A lost board is looked for again at most this often; meanwhile the commands that need it
// answer "Hardware missing" at once.
inline constexpr int64_t kReconnectIntervalMs = 1000;

class Instrument {
 public:
  // What reconnecting to a board that was lost needs.
  struct Options {
    std::string port;
    session::ChipChoice chip = session::ChipChoice::Auto;
    SolveMode mode = SolveMode::Exact;
  };

  // `connected`: the settings the connect read back, the instrument's state at power-on.
  Instrument(session::BoardSession& session, Clock& clock, Options options, const PanelSettings& connected);

  void AddClient(ClientId id);
  void RemoveClient(ClientId id);
  void QueueError(ClientId id, int code);

  // Runs one line a client sent (without its line end). Returns the reply line when the line
  // had queries that answered; nullopt when it had none, or when it stopped at *WAI or *OPC?
  // while a sweep runs: Waiting() says so, and Resume() goes on once the sweep has ended.
  std::optional<std::string> Execute(ClientId id, std::string_view line);
  // A line of the client has begun and not ended: stopped at *WAI or *OPC? (see Execute), or
  // begun with Begin and not stepped to its end.
  bool Waiting(ClientId id) const;
  std::optional<std::string> Resume(ClientId id);

  // The same line one command at a time, for a server that lets its clients take turns. Begin
  // reads the line and runs nothing; each Step runs its next command and returns the reply line
  // when that was the last (Waiting() is false then). `replyRoom`: what the reply may grow to;
  // once it is reached, the rest of the line is dropped with "Queue overflow".
  void Begin(ClientId id, std::string_view line);
  std::optional<std::string> Step(ClientId id, size_t replyRoom);
  // The line stands at *WAI or *OPC? while a sweep runs: Step would run nothing.
  bool Blocked(ClientId id) const;
  // Drops a line that waits for the sweep to end (a device clear).
  void Abandon(ClientId id);
  // The client's status byte; `messageAvailable`: a reply waits to be read (its server knows).
  int StatusByte(ClientId id, bool messageAvailable) const;

  // Where board calls run: `call` on the thread that owns the session from now on, `done` back on
  // this thread once it has returned. Unset, each runs at once, inside the command.
  using BoardRunner = std::function<void(std::function<void()> call, std::function<void()> done)>;
  void RunBoardCallsWith(BoardRunner runner) { runner_ = std::move(runner); }
  // A board call is in flight: Blocked() holds the client it belongs to, no sweep point runs,
  // and only what RunsBesideBoard allows may run for the others.
  bool BoardBusy() const { return inFlight_.has_value(); }
  // The client's next command may run while a board call is in flight: it needs no board and
  // neither reads nor changes what a board command works on (RunsBesideBoard), or it only queues
  // an error; false when the client has no line begun.
  bool NextRunsBesideBoard(ClientId id) const;
  // Ends the board call in flight at once (the server is closing).
  void InterruptBoard() { session_.Interrupt(); }

  bool Sweeping() const { return sweep_.running; }
  // Counts the ABORt and *RST commands run, by any client: the server drops the work left behind
  // by clients that have gone when it changes.
  uint64_t Stops() const { return stops_; }
  // When the next sweep point is due, on the clock.
  int64_t NextPointDueMs() const { return sweep_.dueMs; }
  // Tunes the next point of the running sweep; a board that refuses or is lost ends the sweep
  // with an error for the client that started it.
  void RunSweepPoint();

 private:
  enum class Mode { Cw, Sweep, List };

  struct Program {
    // Declared, not defaulted: a defaulted one would not count as usable inside this class.
    Program() : resolver(CommandPatterns()) {}
    std::vector<ProgramUnit> units;
    size_t next = 0;
    std::optional<std::string> reply;  // the answers so far, joined by ";"
    HeaderResolver resolver;
    uint64_t serial = 0;  // tells a line from the one that replaced it
  };

  // A board call as it crosses to the thread that owns the session: all it needs, copied.
  struct BoardCall {
    enum class Kind { None, Tune, ReadLock };
    Kind kind = Kind::None;
    OutputRequest request;  // Tune: to these settings
    PanelSettings base;
    SolveMode mode = SolveMode::Exact;
    // The board was lost: connect again first and give it back the output it had.
    bool reconnect = false;
    Options options;
    OutputRequest restore;
    PanelSettings restoreBase;
  };
  // What came back from it.
  struct BoardReply {
    bool connected = false;  // reconnect: the connect succeeded
    ChipType chip = ChipType::Adf4350;
    link::BoardIdentity identity;
    int restoreError = 0;  // reconnect: why the output could not be given back (0: it was)
    PanelSettings restored;
    bool accepted = false;  // Tune
    PanelSettings tuned;
    session::LockState lock = session::LockState::Unknown;  // ReadLock
    bool lost = false;                                      // the link was lost on the way
  };
  static BoardReply RunBoardCall(session::BoardSession& session, const BoardCall& call);
  // What a board command does once its call is back (always called, with the call's error):
  // commits the instrument's state and may write the command's answer; returns its error.
  using Then = std::function<int(int error, const BoardReply& reply, std::string& answer)>;
  // The command whose board call is in flight; no command when a sweep point's call is.
  struct InFlight {
    std::optional<ClientId> client;
    uint64_t serial = 0;
    bool query = false;
  };

  struct Client {
    ClientId id = 0;
    std::deque<int> errors;
    StatusRegisters status;
    bool opcArmed = false;           // *OPC while a sweep ran: the bit is set when it ends
    std::optional<Program> program;  // a line waiting for the sweep to end
  };

  struct Sweep {
    bool running = false;
    ClientId owner = 0;
    std::vector<double> hz;
    std::vector<Band> bands;
    size_t next = 0;
    int64_t passesLeft = 0;        // 0: until aborted
    std::vector<int64_t> dwellMs;  // one per point
    std::vector<double> dbm;       // one per point; empty: the output's power
    bool bus = false;              // each point waits for *TRG
    int64_t dueMs = 0;
  };

  // The sweep and list settings *RST goes back to.
  struct SweepSettings {
    double startHz = 0.0;
    double stopHz = 0.0;
    int64_t points = 11;
    double dwellS = 0.0;
    int64_t count = 1;  // 0: INFinite
    std::vector<double> listHz;
    std::vector<double> listDwellS{0.0};  // one for every point, or one per point
    std::vector<double> listDbm;          // empty: the output's power; else as the dwells
    double stepHz = 1e6;                  // FREQ UP and DOWN
    bool logSpacing = false;
    bool continuous = false;  // INIT:CONT ON: the sweep starts again at its end, until OFF
    bool triggerBus = false;  // TRIG:SOUR BUS
  };

  std::optional<std::string> Continue(Client& client);
  // Runs the program's next command unless it waits for a sweep; false when it ran nothing.
  bool RunNext(Client& client, size_t replyRoom);
  std::optional<std::string> EndProgram(Client& client);
  void RunUnit(Client& client, Program& program, const ProgramUnit& unit);
  // Answers a command that has run: its error queued, or its answer added to the reply.
  void EndUnit(Client& client, Program& program, bool query, int error, std::string answer);
  int Set(Client& client, const CommandEntry& entry, const std::vector<Parameter>& values);
  int Query(Client& client, const CommandEntry& entry, const std::vector<Parameter>& values, std::string& reply);
  void Queue(Client& client, int code);

  // Runs a board call: reconnects a lost board first, and turns a lost connection into
  // "Hardware missing"; then `then`. With a runner the call runs there and this returns
  // kBoardPending; `answer` receives what `then` writes when it runs at once.
  int WithBoard(BoardCall call, Then then, std::string* answer = nullptr);
  int Returned(const BoardCall& call, const BoardReply& reply, const Then& then, std::string& answer);
  // Retunes the output to a request (and settings); kHardwareError when the board refuses.
  // `after` gets the error once the board has answered and returns the command's.
  int Apply(const OutputRequest& request, const PanelSettings& base, std::function<int(int)> after = {});
  int Apply(const OutputRequest& request, std::function<int(int)> after = {}) {
    return Apply(request, output_.settings(), std::move(after));
  }
  // The request for hz as the output now stands (choice, power, on/off); nullopt when the
  // output cannot make it.
  std::optional<OutputRequest> RequestFor(double hz) const;
  int Reset();
  // Sets the CW frequency (a running sweep keeps the output until it ends).
  int SetFrequency(double hz);
  // Sets the sweep's range, refused unless both ends are in range.
  int SetRange(double startHz, double stopHz);
  // The points of the sweep or list of a mode, with their dwells and powers (empty: the
  // output's); an error when the lists disagree.
  int SweepPoints(Mode mode, std::vector<double>& hz, std::vector<int64_t>& dwellMs, std::vector<double>& dbm) const;
  // Tunes the next point of a triggered sweep; -211 unless a sweep waits for *TRG.
  int Trigger();
  // Tunes the sweep's next point and moves the sweep on once the board has answered.
  int StepSweep();
  int Initiate(ClientId owner);
  void EndSweep();
  // MINimum, MAXimum or DEFault (0, 1, 2) of a numeric setting.
  double Limit(Op op, size_t which) const;
  // Reads the board's lock detect into the QUEStionable condition, then `after` with the error:
  // kHardwareError when the board answers no lock state, kHardwareMissing when it is lost.
  int ReadLockCondition(std::function<int(int error, std::string& answer)> after, std::string& answer);
  void SetConditions(int operation, int questionable);

  session::BoardSession& session_;
  link::BoardIdentity identity_;  // the board's, as the last connect found it
  Clock& clock_;
  BoardRunner runner_;
  std::optional<InFlight> inFlight_;
  std::optional<InFlight> running_;  // the command RunUnit runs, while it runs
  uint64_t nextSerial_ = 1;
  Options options_;
  SigGenOutput output_;
  const OutputRequest powerOn_;
  const PanelSettings powerOnSettings_;
  std::map<ClientId, Client> clients_;
  bool lost_ = false;
  uint64_t stops_ = 0;
  int64_t retryAtMs_ = 0;  // while lost: when the next reconnect may be tried
  int operationCondition_ = 0;
  int questionableCondition_ = 0;

  // FREQ, STARt, STOP and LIST as the user sees them (the RF) and as the output makes them.
  double ShownHz(double outputHz) const;
  double OutputHz(double shownHz) const;

  double cwHz_;
  FrequencyPlan plan_;
  OutputChoice choice_ = OutputChoice::Auto;
  Mode mode_ = Mode::Cw;
  SweepSettings sweepSettings_;
  Sweep sweep_;
};

}  // namespace korvane::scpi
