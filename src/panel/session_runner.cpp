#include "panel/session_runner.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>

#include "link/board_link.h"
#include "texts/texts.h"

namespace korvane::panel {

namespace {

// Runs a request's work; a board that vanishes turns into the runner's lost event.
Completion RunWork(Request& request, session::BoardSession& session, const RequestProgress& progress,
                   const std::function<void(const std::string&)>& lost) {
  try {
    return request.work(session, progress);
  } catch (const link::ConnectionLost&) {
    return [lost, what = texts::Tr(texts::kConnectionLost)] {
      if (lost) lost(what);
    };
  } catch (const std::exception& error) {
    // Whatever else ends a request mid-exchange leaves the link in an unknown state: the
    // panel treats it as a lost board rather than let it end the program.
    return [lost, what = std::string(error.what())] {
      if (lost) lost(what);
    };
  }
}

// Queues a request; a retune takes the place of a retune still waiting. False when it did.
template <class Queue>
bool Enqueue(Queue& waiting, Request& request) {
  if (request.kind == Request::Kind::Retune) {
    for (Request& queued : waiting) {
      if (queued.kind == Request::Kind::Retune) {
        queued = std::move(request);
        return false;
      }
    }
  }
  waiting.push_back(std::move(request));
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// InlineRunner

void InlineRunner::Post(Request request) {
  if (!Enqueue(queue_, request) || draining_) return;
  draining_ = true;
  const RequestProgress progress{[this](session::FirmwarePhase phase, int total) {
                                   if (events_.phase) events_.phase(phase, total);
                                 },
                                 [this] {
                                   if (events_.step) events_.step();
                                 },
                                 [](Completion call) { call(); }};
  while (!queue_.empty()) {
    Request next = std::move(queue_.front());
    queue_.erase(queue_.begin());
    session_.ClearInterrupt();
    if (next.kind == Request::Kind::Connect && std::exchange(cancel_, false)) session_.Interrupt();
    const Completion done = RunWork(next, session_, progress, events_.lost);
    if (done) done();
  }
  draining_ = false;
}

// ---------------------------------------------------------------------------------------------
// ThreadedRunner

struct ThreadedRunner::State {
  explicit State(std::unique_ptr<session::BoardSession> s) : owned(std::move(s)), session(*owned) {}

  std::unique_ptr<session::BoardSession> owned;
  session::BoardSession& session;
  QThread thread;
  QObject* worker = nullptr;  // lives on the thread
  QObject panel;              // lives on the panel's thread: completions and progress go here

  std::mutex mutex;  // guards what follows
  std::deque<Request> waiting;
  bool running = false;
  Request::Kind runningKind = Request::Kind::Other;
  bool cancelConnect = false;

  int unfinished = 0;  // posted and not yet completed; the panel's thread only

  // Runs on the worker: the next waiting request, then the one after.
  void RunNext(const RunnerEvents* events) {
    Request request;
    {
      const std::lock_guard<std::mutex> lock(mutex);
      if (waiting.empty()) return;
      request = std::move(waiting.front());
      waiting.pop_front();
      running = true;
      runningKind = request.kind;
      // A cancel aimed at an earlier connect does not reach this one; one aimed at this
      // connect while it waited does.
      session.ClearInterrupt();
      if (request.kind == Request::Kind::Connect && cancelConnect) session.Interrupt();
    }
    const RequestProgress progress{
        [this, events](session::FirmwarePhase phase, int total) {
          QMetaObject::invokeMethod(
              &panel,
              [events, phase, total] {
                if (events->phase) events->phase(phase, total);
              },
              Qt::QueuedConnection);
        },
        [this, events] {
          QMetaObject::invokeMethod(
              &panel,
              [events] {
                if (events->step) events->step();
              },
              Qt::QueuedConnection);
        },
        [this](Completion call) { QMetaObject::invokeMethod(&panel, std::move(call), Qt::QueuedConnection); }};
    Completion done = RunWork(request, session, progress, [this, events](const std::string& what) {
      if (events->lost) events->lost(what);
    });
    {
      const std::lock_guard<std::mutex> lock(mutex);
      running = false;
      if (request.kind == Request::Kind::Connect) cancelConnect = false;
    }
    QMetaObject::invokeMethod(
        &panel,
        [this, done = std::move(done)] {
          --unfinished;
          if (done) done();
        },
        Qt::QueuedConnection);
  }
};

ThreadedRunner::ThreadedRunner(std::unique_ptr<session::BoardSession> session)
    : state_(std::make_shared<State>(std::move(session))) {
  state_->thread.setObjectName(QStringLiteral("board session"));
  state_->worker = new QObject;
  state_->worker->moveToThread(&state_->thread);
  state_->thread.start();
}

ThreadedRunner::~ThreadedRunner() {
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->waiting.clear();
  }
  // Behind whatever runs now: the port is closed, and its objects destroyed, on the thread
  // that opened it.
  State* state = state_.get();
  QMetaObject::invokeMethod(
      state->worker,
      [state] {
        state->session.Close();
        state->owned.reset();
      },
      Qt::BlockingQueuedConnection);
  state_->thread.quit();
  state_->thread.wait();
  delete state_->worker;
}

void ThreadedRunner::Post(Request request) {
  State& s = *state_;
  {
    const std::lock_guard<std::mutex> lock(s.mutex);
    if (!Enqueue(s.waiting, request)) return;
  }
  ++s.unfinished;
  QMetaObject::invokeMethod(
      s.worker, [state = &s, events = &events_] { state->RunNext(events); }, Qt::QueuedConnection);
}

void ThreadedRunner::CancelConnect() {
  State& s = *state_;
  const std::lock_guard<std::mutex> lock(s.mutex);
  bool waiting = false;
  for (const Request& request : s.waiting) waiting = waiting || request.kind == Request::Kind::Connect;
  const bool running = s.running && s.runningKind == Request::Kind::Connect;
  if (!waiting && !running) return;
  s.cancelConnect = true;
  if (running) s.session.Interrupt();
}

bool ThreadedRunner::Idle() const { return state_->unfinished == 0; }

void ThreadedRunner::Interrupt() { state_->session.Interrupt(); }

session::BoardSession& ThreadedRunner::session() { return state_->session; }

}  // namespace korvane::panel
