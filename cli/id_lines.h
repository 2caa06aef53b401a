#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace mv4700::cli {

// Cuts what a reader sends in test mode into IDs: an ID ends at the
// delimiter the reader adds (CR, LF, CR LF or TAB), or, for a reader set to
// send none, when nothing more has come for a short pause.
class IdLines {
 public:
  static constexpr double kPauseSeconds = 0.3;

  // The IDs that `bytes` completed, in order.
  QStringList feed(const QByteArray& bytes, double now);
  // The ID held back, once the pause has passed; empty otherwise.
  QString takeAfterPause(double now);

 private:
  QString pending_;
  double lastByte_ = 0;
};

}  // namespace mv4700::cli
