#pragma once

#include <QString>
#include <cstdio>

#include "seams/status_box.h"

namespace mv4700::cli {

// The status box as lines on a stream (standard error): each line as the
// window prints it, open pieces as they come, so the dots of a transfer
// appear while it runs. On a terminal a progress bar may stand in for the dots.
class StreamStatusBox final : public StatusBox {
 public:
  explicit StreamStatusBox(std::FILE* stream) : stream_(stream) {}

  void clear() override {}  // the lines above stay readable
  void printLine(const QString& text = {}) override;
  void printOpen(const QString& text) override;
  void refresh() override { std::fflush(stream_); }
  void refreshAll() override { std::fflush(stream_); }
  // As a box with a fixed cell per character (120 x 240 twips) would count.
  int printX() const override { return static_cast<int>(openLine_.size()) * 120; }
  int printY() const override { return lines_ * 240; }
  void setTextColor(Rgb) override {}

  // Redraws the open line with `bar` after it; dots are left out from now
  // until the line ends.
  void showProgress(const QString& bar);
  // A line of the command line's own, between the status lines; an open line
  // goes on after it.
  void note(const QString& text);
  // Ends an open line, at the end of a run.
  void finish();

 private:
  void write(const QString& text);

  std::FILE* stream_;
  QString openLine_;
  bool progressShown_ = false;
  int lines_ = 0;
};

}  // namespace mv4700::cli
