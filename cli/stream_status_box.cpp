#include "cli/stream_status_box.h"

namespace mv4700::cli {

void StreamStatusBox::write(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream_);
}

void StreamStatusBox::printLine(const QString& text) {
  // A failure that ends the transfer's line goes below the bar, not after it.
  if (progressShown_ && !text.isEmpty()) write(QStringLiteral("\n"));
  write(text + u'\n');
  std::fflush(stream_);
  openLine_.clear();
  progressShown_ = false;
  ++lines_;
}

void StreamStatusBox::printOpen(const QString& text) {
  if (progressShown_ && text == u".") return;
  write(text);
  openLine_ += text;
}

void StreamStatusBox::showProgress(const QString& bar) {
  write(u'\r' + openLine_ + u' ' + bar + QStringLiteral("\x1b[K"));
  std::fflush(stream_);
  progressShown_ = true;
}

void StreamStatusBox::note(const QString& text) {
  const bool open = progressShown_ || !openLine_.isEmpty();
  write((open ? QStringLiteral("\n") : QString()) + text + u'\n');
  if (open && !progressShown_) write(openLine_);
  std::fflush(stream_);
}

void StreamStatusBox::finish() {
  if (progressShown_ || !openLine_.isEmpty()) printLine();
}

}  // namespace mv4700::cli
