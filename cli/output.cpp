#include "cli/output.h"

#include <QJsonDocument>
#include <utility>

namespace mv4700::cli {

void Output::write(const QByteArray& bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream_);
  std::fflush(stream_);
}

void Output::line(const QString& text) {
  if (!json_) write((text + u'\n').toLocal8Bit());
}

QJsonObject Output::takeFields() {
  return std::exchange(fields_, {});
}

void Output::objectLine(const QJsonObject& object) {
  write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

void Output::finish() {
  if (json_) write(QJsonDocument(fields_).toJson(QJsonDocument::Indented));
}

}  // namespace mv4700::cli
