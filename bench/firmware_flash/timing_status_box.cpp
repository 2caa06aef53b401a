#include "bench/firmware_flash/timing_status_box.h"

namespace mv4700::bench {

void TimingStatusBox::printOpen(const QString& text) {
  if (open_.isEmpty() && text.startsWith(QStringLiteral("Total"))) framesStart_ = Clock::now();
  open_ += text;
}

void TimingStatusBox::printLine(const QString& text) {
  // The dots line ends once the end frame is answered (or a failure ends it).
  if (open_.startsWith(QStringLiteral("Total"))) framesEnd_ = Clock::now();
  lines_ << open_ + text;
  open_.clear();
}

double TimingStatusBox::transferSeconds() const {
  return std::chrono::duration<double>(framesEnd_ - framesStart_).count();
}

}  // namespace mv4700::bench
