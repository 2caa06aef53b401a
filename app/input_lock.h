#pragma once

#include <QObject>

namespace mv4700 {

// Takes no input while a command runs: keys, clicks and requests to close the
// window that arrive meanwhile are dropped, not kept for later. A message box
// the command shows lifts the lock while it is open.
class InputLock final : public QObject {
 public:
  void engage();
  void release();
  bool engaged() const { return depth_ > 0; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int depth_ = 0;
};

// Holds the lock for one command.
class InputLockHold {
 public:
  explicit InputLockHold(InputLock& lock) : lock_(lock) { lock_.engage(); }
  ~InputLockHold() { lock_.release(); }
  InputLockHold(const InputLockHold&) = delete;
  InputLockHold& operator=(const InputLockHold&) = delete;

 private:
  InputLock& lock_;
};

}  // namespace mv4700
