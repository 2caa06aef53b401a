#include "tests/support/recording_status_box.h"

namespace mv4700::testing {

void RecordingStatusBox::clear() {
  lines.clear();
  openLine.clear();
  coloredLines.clear();
  x_ = y_ = 0;
  ++clears;
  transcript << QStringLiteral("<clear>");
}

void RecordingStatusBox::printLine(const QString& text) {
  const QString line = openLine + text;
  lines << line;
  coloredLines << qMakePair(line, color);
  transcript << line;
  openLine.clear();
  x_ = 0;
  y_ += kLineHeightTwips;
}

void RecordingStatusBox::printOpen(const QString& text) {
  openLine += text;
  x_ += kCharWidthTwips * static_cast<int>(text.size());
}

void RecordingStatusBox::setTextColor(Rgb c) { color = c; }

QStringList RecordingStatusBox::shown() const {
  QStringList all = lines;
  if (!openLine.isEmpty()) all << openLine;
  return all;
}

}  // namespace mv4700::testing
