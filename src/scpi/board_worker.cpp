#include "scpi/board_worker.h"

#include <future>
#include <utility>

namespace korvane::scpi {

BoardWorker::BoardWorker() : thread_([this] { Loop(); }) {}

BoardWorker::~BoardWorker() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void BoardWorker::Run(std::function<void()> call, QObject* context, std::function<void()> done) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back({std::move(call), context, std::move(done)});
  }
  wake_.notify_one();
}

void BoardWorker::Wait(std::function<void()> call) {
  std::promise<void> finished;
  std::future<void> result = finished.get_future();
  Run(
      [&] {
        try {
          call();
          finished.set_value();
        } catch (...) {
          finished.set_exception(std::current_exception());
        }
      },
      nullptr, {});
  result.get();
}

void BoardWorker::Loop() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job.call();
    // Queued: it runs from the event loop of the context's thread, and not at all once the
    // context is gone (its owner waits for the call in flight before it lets it go).
    if (job.context) QMetaObject::invokeMethod(job.context, std::move(job.done), Qt::QueuedConnection);
  }
}

}  // namespace korvane::scpi
