#include "cli/id_lines.h"

#include <utility>

namespace mv4700::cli {

QStringList IdLines::feed(const QByteArray& bytes, double now) {
  QStringList ids;
  for (char c : bytes) {
    if (c == '\r' || c == '\n' || c == '\t') {
      if (!pending_.isEmpty()) ids << std::exchange(pending_, {});
    } else {
      pending_ += QChar(static_cast<unsigned char>(c));
    }
  }
  if (!bytes.isEmpty()) lastByte_ = now;
  return ids;
}

QString IdLines::takeAfterPause(double now) {
  if (pending_.isEmpty() || now - lastByte_ < kPauseSeconds) return {};
  return std::exchange(pending_, {});
}

}  // namespace mv4700::cli
