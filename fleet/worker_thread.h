#pragma once

#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

namespace mv4700 {

// A QThread that runs one function: a Qt thread, so the serial ports made on
// it have the event dispatcher they expect. Its end is also told through an
// atomic flag, so whatever it wrote is visibly written before join() returns
// (Qt's own wait happens where thread checkers cannot see it).
class WorkerThread {
 public:
  explicit WorkerThread(std::function<void()> work);
  ~WorkerThread() { join(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // True once the function has returned.
  bool finished() const;
  // Returns once the function has returned and the thread has ended.
  void join();

 private:
  std::atomic<bool> done_{false};
  std::unique_ptr<QThread> thread_;
};

}  // namespace mv4700
