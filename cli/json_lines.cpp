#include "cli/json_lines.h"

#include <QtGlobal>

#include "cli/exit_status.h"
#include "link/reader_list.h"

namespace mv4700::cli {

QJsonObject readerJson(const ListedReader& reader) {
  if (reader.usb) return {{"link", "USB"}, {"path", reader.path}};
  return {{"link", "RS232"},
          {"path", reader.path},
          {"port", QStringLiteral("COM%1").arg(reader.comPort)},
          {"baud", reader.baud.toInt()}};
}

QJsonObject readerLineJson(QJsonObject fields, const QString& command, const ReaderEnd& end) {
  fields[QStringLiteral("command")] = command;
  fields[QStringLiteral("reader")] = end.reader;
  for (auto it = end.where.begin(); it != end.where.end(); ++it) fields[it.key()] = it.value();
  fields[QStringLiteral("result")] = end.result;
  fields[QStringLiteral("exitStatus")] = end.exitStatus;
  fields[QStringLiteral("seconds")] = qRound(end.seconds * 10) / 10.0;
  return fields;
}

QJsonObject tallyJson(const QString& command, const Tally& tally, int exitStatus) {
  return {{"command", command},         {"readers", tally.readers}, {"done", tally.done},
          {"declined", tally.declined}, {"failed", tally.failed},   {"exitStatus", exitStatus}};
}

QJsonObject usageErrorJson(const QString& command, const QString& error) {
  return {{"command", command}, {"exitStatus", exit_status::kUsage}, {"error", error}};
}

}  // namespace mv4700::cli
