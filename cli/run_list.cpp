#include <QJsonArray>
#include <QJsonObject>

#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/stream_status_box.h"
#include "link/reader_list.h"

namespace mv4700::cli {

namespace {

QString modelName(const ListedReader& r) {
  return r.newModel ? QStringLiteral("4700-01") : QStringLiteral("4700");
}

QString comName(int port) {
  return QStringLiteral("COM%1").arg(port);
}

}  // namespace

int runList(RunContext& run) {
  QStringList hints;
  const std::vector<ListedReader> readers = listReaders(run.session, &hints);
  for (const QString& hint : hints) run.status.printLine(hint);
  QJsonArray json;
  for (const ListedReader& r : readers) {
    if (r.usb) {
      run.output.line(QStringLiteral("USB    %1  %2").arg(r.path, modelName(r)));
      json.append(QJsonObject{{"link", "USB"}, {"path", r.path}, {"model", modelName(r)}});
    } else {
      run.output.line(QStringLiteral("RS232  %1  %2  %3 baud  %4")
                          .arg(comName(r.comPort), r.path, r.baud, modelName(r)));
      json.append(QJsonObject{{"link", "RS232"},
                              {"port", comName(r.comPort)},
                              {"path", r.path},
                              {"baud", r.baud.toInt()},
                              {"model", modelName(r)}});
    }
  }
  run.output.fields()[QStringLiteral("readers")] = json;
  if (readers.empty()) run.status.note(QStringLiteral("mv4700: no reader answered."));
  return readers.empty() ? exit_status::kNoReader : exit_status::kDone;
}

}  // namespace mv4700::cli
