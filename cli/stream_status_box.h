#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "seams/status_box.h"

namespace mv4700::cli {

// The status box as lines on a stream (standard error): each line as the
// window prints it, open pieces as they come, so the dots of a transfer
// appear while it runs. On a terminal a progress bar may stand in for the dots.
class StreamStatusBox final : public StatusBox {
 public:
  explicit StreamStatusBox(std::FILE* stream) : stream_(stream) {}
  // One reader's box under --all: each whole line goes to `lines`, and a
  // progress bar's figures to `progress`.
  StreamStatusBox(std::function<void(const QString&)> lines,
                  std::function<void(std::int64_t sent, std::int64_t total)> progress)
      : stream_(nullptr), lines_(std::move(lines)), progress_(std::move(progress)) {}
  ~StreamStatusBox() override;

  void clear() override {}  // the lines above stay readable
  void printLine(const QString& text = {}) override;
  void printOpen(const QString& text) override;
  void refresh() override {
    if (stream_) std::fflush(stream_);
  }
  void refreshAll() override { refresh(); }
  // As a box with a fixed cell per character (120 x 240 twips) would count.
  int printX() const override { return static_cast<int>(openLine_.size()) * 120; }
  int printY() const override { return linesDone_ * 240; }
  void setTextColor(Rgb) override {}

  // Redraws the open line with a progress bar after it, the whole within
  // `columns` less one so that the line never wraps; on a dumb terminal
  // without control sequences. Dots are left out from now until the line ends.
  void showProgress(std::int64_t sent, std::int64_t total, double elapsedSeconds, int columns,
                    bool dumb);
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
  qsizetype drawn_ = 0;  // the width of the last progress line
  int linesDone_ = 0;
  std::function<void(const QString&)> lines_;
  std::function<void(std::int64_t, std::int64_t)> progress_;
  QString pending_;  // the part of a line not yet given to lines_
};

}  // namespace mv4700::cli
