#pragma once

#include <QJsonObject>
#include <QString>

namespace mv4700 {
struct ListedReader;
}

namespace mv4700::cli {

// The objects --json prints, one shape for every command: each holds
// `command` and `exitStatus`; a line of --watch or --all is one reader's and
// adds `reader` (its number); a reader's link is `link` with `path`, and for
// RS232 `port` and `baud`.

// Where a reader is: {"link": "USB", "path"} or {"link": "RS232", "path",
// "port", "baud"}.
QJsonObject readerJson(const ListedReader& reader);

// One reader's line under --watch or --all: its command's fields, then the
// reader's number, link and how it ended.
struct ReaderEnd {
  int reader = 0;
  QJsonObject where;  // readerJson(); empty when no reader answered
  QString result;     // done, declined, failed...
  int exitStatus = 0;
  double seconds = 0;
};
QJsonObject readerLineJson(QJsonObject fields, const QString& command, const ReaderEnd& end);

// The last line of --watch and --all: how many readers, how each ended.
struct Tally {
  int readers = 0;
  int done = 0;
  int declined = 0;
  int failed = 0;
};
QJsonObject tallyJson(const QString& command, const Tally& tally, int exitStatus);

// A usage error: the command as typed (empty when none was), exit status 64
// and the message.
QJsonObject usageErrorJson(const QString& command, const QString& error);

}  // namespace mv4700::cli
