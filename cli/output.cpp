#include "cli/output.h"

#include <QJsonDocument>
#include <cerrno>
#include <utility>

namespace mv4700::cli {

void Output::write(const QByteArray& bytes) {
  if (failure_ != 0 || !stream_) return;
  errno = 0;
  const std::size_t size = static_cast<std::size_t>(bytes.size());
  if (std::fwrite(bytes.constData(), 1, size, stream_) != size || std::fflush(stream_) != 0)
    failure_ = errno != 0 ? errno : EIO;
}

void Output::line(const QString& text) {
  if (json_) return;
  if (lines_)
    lines_(text);
  else
    write((text + u'\n').toLocal8Bit());
}

QJsonObject Output::takeFields() {
  return std::exchange(fields_, {});
}

void Output::objectLine(const QJsonObject& object) {
  wroteObject_ = true;
  write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

void Output::finish() {
  if (json_) objectLine(fields_);
}

}  // namespace mv4700::cli
