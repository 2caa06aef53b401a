#include <QJsonArray>
#include <QJsonObject>

#include "cli/exit_status.h"
#include "cli/json_lines.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/stream_status_box.h"
#include "link/device_session.h"
#include "link/reader_list.h"

namespace mv4700::cli {

namespace {

QString modelName(const ListedReader& r) {
  return r.newModel ? QStringLiteral("4700-01") : QStringLiteral("4700");
}

QJsonObject listedJson(const ListedReader& r) {
  QJsonObject object = readerJson(r);
  object[QStringLiteral("model")] = modelName(r);
  return object;
}

QString comName(int port) {
  return QStringLiteral("COM%1").arg(port);
}

// An emulated reader serves a pseudo-terminal, which the search leaves out.
QString pseudoTerminalHint(QStringList terminals) {
  if (terminals.isEmpty()) return {};
  constexpr qsizetype kNamed = 4;
  const bool more = terminals.size() > kNamed;
  terminals = terminals.mid(0, kNamed);
  if (more) terminals << QStringLiteral("...");
  return QStringLiteral(
             "mv4700: pseudo-terminals (%1) are not searched by default; name one with "
             "--serial PATH or MV4700_COM_PORTS=PATH.")
      .arg(terminals.join(QStringLiteral(", ")));
}

}  // namespace

int runList(RunContext& run) {
  QStringList hints;
  const std::vector<ListedReader> readers = listReaders(run.session, &hints);
  for (const QString& hint : hints) run.status.printLine(hint);
  QJsonArray json;
  for (const ListedReader& r : readers) {
    run.output.line(r.usb ? QStringLiteral("USB    %1  %2").arg(r.path, modelName(r))
                          : QStringLiteral("RS232  %1  %2  %3 baud  %4")
                                .arg(comName(r.comPort), r.path, r.baud, modelName(r)));
    json.append(listedJson(r));
  }
  run.output.fields()[QStringLiteral("readers")] = json;
  if (!readers.empty()) return exit_status::kDone;
  run.status.note(QStringLiteral("mv4700: no reader answered."));
  if (run.session.shared.serialSearch && run.invocation.serialPath.isEmpty()) {
    const QString hint = pseudoTerminalHint(run.devices.unsearchedTerminals());
    if (!hint.isEmpty()) run.status.note(hint);
  }
  return exit_status::kNoReader;
}

}  // namespace mv4700::cli
