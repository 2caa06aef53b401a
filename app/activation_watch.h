#pragma once

#include <QObject>

class QWidget;
class QWindow;

namespace mv4700 {

// Tells when a window becomes active in the sense the pending file action
// needs: at its first activation, and when it takes over from another window
// of this program (the chooser). Coming back from a message box, a menu or
// another application does not count; otherwise a file action whose own error
// box closes would run again, and again.
class ActivationWatch final : public QObject {
  Q_OBJECT
 public:
  explicit ActivationWatch(QWidget* window);

 signals:
  void activated();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void noteActiveWindow(QWindow* window);

  QWidget* window_;
  // True until the first activation, then after another window of the program.
  bool announceNext_ = true;
};

}  // namespace mv4700
