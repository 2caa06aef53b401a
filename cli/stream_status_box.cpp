#include "cli/stream_status_box.h"

#include <algorithm>

#include "cli/progress_bar.h"

namespace mv4700::cli {

namespace {

// What a progress line keeps for the bar and its figures.
constexpr qsizetype kProgressRoom = 40;

}  // namespace

StreamStatusBox::~StreamStatusBox() {
  if (lines_ && !pending_.isEmpty()) lines_(pending_);
}

void StreamStatusBox::write(const QString& text) {
  if (lines_) {
    // Whole lines only: lines of two readers never mix.
    pending_ += text;
    qsizetype end;
    while ((end = pending_.indexOf(u'\n')) >= 0) {
      const QString line = pending_.left(end);
      pending_.remove(0, end + 1);
      if (!line.isEmpty()) lines_(line);
    }
    return;
  }
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream_);
}

void StreamStatusBox::printLine(const QString& text) {
  // A failure that ends the transfer's line goes below the bar, not after it.
  if (progressShown_ && !text.isEmpty()) write(QStringLiteral("\n"));
  write(text + u'\n');
  refresh();
  openLine_.clear();
  progressShown_ = false;
  drawn_ = 0;
  ++linesDone_;
}

void StreamStatusBox::printOpen(const QString& text) {
  if (progressShown_ && text == u".") return;
  write(text);
  openLine_ += text;
}

void StreamStatusBox::showProgress(std::int64_t sent, std::int64_t total, double elapsedSeconds,
                                   int columns, bool dumb) {
  if (progress_) {
    progress_(sent, total);
    progressShown_ = true;
    return;
  }
  const int room = std::max(columns - 1, 0);
  // The open line gives way where the bar would have no room.
  const QString lead = openLine_.left(std::max<qsizetype>(room - kProgressRoom, 0)) + u' ';
  const QString line =
      lead + progressBarText(sent, total, elapsedSeconds, room - static_cast<int>(lead.size()));
  const QString clearRest =
      dumb ? QString(std::max<qsizetype>(drawn_ - line.size(), 0), u' ') : QStringLiteral("\x1b[K");
  write(u'\r' + line + clearRest);
  drawn_ = line.size();
  refresh();
  progressShown_ = true;
}

void StreamStatusBox::note(const QString& text) {
  const bool open = progressShown_ || !openLine_.isEmpty();
  write((open ? QStringLiteral("\n") : QString()) + text + u'\n');
  if (open && !progressShown_) write(openLine_);
  refresh();
}

void StreamStatusBox::finish() {
  if (progressShown_ || !openLine_.isEmpty()) printLine();
}

}  // namespace mv4700::cli
