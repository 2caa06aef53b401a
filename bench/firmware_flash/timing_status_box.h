#pragma once

#include <QStringList>
#include <chrono>

#include "seams/status_box.h"

namespace mv4700::bench {

// A status box that keeps the lines and notes when the byte frames start (the
// "Total ..." line opens) and when the flash ends (the next completed line).
class TimingStatusBox final : public StatusBox {
 public:
  using Clock = std::chrono::steady_clock;

  void clear() override {}
  void printLine(const QString& text = {}) override;
  void printOpen(const QString& text) override;
  void refresh() override {}
  void refreshAll() override {}
  int printX() const override { return 0; }
  int printY() const override { return 0; }
  void setTextColor(Rgb) override {}

  // Seconds from the first frame to the end of the transfer.
  double transferSeconds() const;
  const QStringList& lines() const { return lines_; }

 private:
  QStringList lines_;
  QString open_;
  Clock::time_point framesStart_{};
  Clock::time_point framesEnd_{};
};

}  // namespace mv4700::bench
