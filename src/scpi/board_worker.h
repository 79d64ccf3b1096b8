// A thread of its own for a board session, so that a slow or mute board never holds up the event
// loop. Everything the session does, from the port's open to its close, runs on it (a serial
// port belongs to the thread that opened it): calls run there in turn, and what follows a call
// runs back on its caller's thread, from that thread's event loop.
#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane::scpi {

class BoardWorker {
 public:
  BoardWorker();
  // Waits for the call that runs (interrupt its board first); calls not begun are dropped.
  ~BoardWorker();
  BoardWorker(const BoardWorker&) = delete;
  BoardWorker& operator=(const BoardWorker&) = delete;

  // `call` on the worker thread; then `done` on the thread of `context`, from its event loop,
  // unless `context` is gone by then.
  void Run(std::function<void()> call, QObject* context, std::function<void()> done);
  // Runs `call` on the worker thread and waits for it; what it throws is thrown here.
  void Wait(std::function<void()> call);

 private:
  struct Job {
    std::function<void()> call;
    QObject* context = nullptr;
    std::function<void()> done;
  };
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once everything it uses is there
};

}  // namespace korvane::scpi
