#include "fleet/worker_thread.h"

namespace mv4700 {

WorkerThread::WorkerThread(std::function<void()> work) {
  thread_.reset(QThread::create([this, work = std::move(work)] {
    work();
    done_.store(true, std::memory_order_release);
  }));
  thread_->start();
}

bool WorkerThread::finished() const {
  return done_.load(std::memory_order_acquire);
}

void WorkerThread::join() {
  if (!thread_) return;
  thread_->wait();
  // Read after the wait, so it is true; the pair tells a thread checker too.
  [[maybe_unused]] const bool done = done_.load(std::memory_order_acquire);
  thread_.reset();
}

}  // namespace mv4700
