// Board work for the panel: requests run one at a time, in order, against one board session;
// their results come back to the panel's own thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/board_session.h"

namespace korvane::panel {

// Delivers a request's typed result on the panel's thread.
using Completion = std::function<void()>;

// Progress reports of a running request; the runner brings them to the panel's thread.
struct RequestProgress {
  std::function<void(session::FirmwarePhase phase, int total)> phase;
  std::function<void()> step;
  // Runs a call on the panel's thread while the request goes on (a sweep's points).
  std::function<void(Completion call)> deliver;
};

struct Request {
  enum class Kind { Connect, Retune, Other };
  Kind kind = Kind::Other;
  // Runs where the session lives; returns what the panel does with the result.
  std::function<Completion(session::BoardSession& session, const RequestProgress& progress)> work;
};

// What a runner tells the panel besides a request's own result.
struct RunnerEvents {
  // The board vanished mid-request ("Connection with device lost!"); the request's own
  // completion does not run.
  std::function<void(const std::string& what)> lost;
  std::function<void(session::FirmwarePhase phase, int total)> phase;
  std::function<void()> step;
};

class SessionRunner {
 public:
  virtual ~SessionRunner() = default;

  void SetEvents(RunnerEvents events) { events_ = std::move(events); }

  // Queued behind the running request. A retune replaces a retune that still waits, so
  // live changes that pile up while something else runs collapse to the newest.
  virtual void Post(Request request) = 0;
  // A waiting connect gives up at once when it starts; a running one stops its handshakes
  // and waits. Its completion still runs, with whatever the connect returned.
  virtual void CancelConnect() = 0;
  // Requests waiting or running.
  virtual bool Idle() const = 0;

 protected:
  RunnerEvents events_;
};

// Runs each request on the calling thread, in order: for front ends without an event loop
// and for tests. A request posted from a completion runs after it.
class InlineRunner : public SessionRunner {
 public:
  explicit InlineRunner(session::BoardSession& session) : session_(session) {}
  void Post(Request request) override;
  void CancelConnect() override { cancel_ = true; }
  bool Idle() const override { return !draining_; }

 private:
  session::BoardSession& session_;
  std::vector<Request> queue_;
  bool draining_ = false;
  bool cancel_ = false;
};

// Runs the session on a worker thread of its own. Everything the session does, from the
// port's open to its close, happens on that thread; the window's thread never waits on the
// wire. Progress and results arrive as queued calls on the thread that built the runner.
class ThreadedRunner : public SessionRunner {
 public:
  // The runner owns the session; it is used on the worker thread only from now on.
  explicit ThreadedRunner(std::unique_ptr<session::BoardSession> session);
  // Waits for the running request (the worker cannot be stopped mid-exchange), closes and
  // destroys the session on the worker, and ends the thread.
  ~ThreadedRunner() override;
  ThreadedRunner(const ThreadedRunner&) = delete;
  ThreadedRunner& operator=(const ThreadedRunner&) = delete;

  void Post(Request request) override;
  void CancelConnect() override;
  bool Idle() const override;
  // Ends the waits of whatever runs now, at once; safe from any thread.
  void Interrupt();
  // For tests, and only while Idle: the session the worker drives.
  session::BoardSession& session();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace korvane::panel
