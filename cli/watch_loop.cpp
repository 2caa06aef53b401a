#include "cli/watch_loop.h"

#include <QJsonObject>
#include <ctime>

#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/signals.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "link/device_session.h"
#include "link/reader_presence.h"
#include "seams/clock.h"
#include "settings/code_tables.h"

namespace mv4700::cli {

namespace {

constexpr long kPollPauseMs = 300;

// Polls until whether a reader answers is `present`; false when Ctrl+C came
// first.
bool waitFor(ReaderPresence& presence, bool present) {
  while (InterruptCatcher::count() == 0) {
    if (presence.readerAnswers() == present) return true;
    const timespec pause{0, kPollPauseMs * 1'000'000L};
    ::nanosleep(&pause, nullptr);
  }
  return false;
}

QString resultWord(int status) {
  switch (status) {
    case exit_status::kDone:
      return QStringLiteral("done");
    case exit_status::kNoReader:
      return QStringLiteral("no reader");
    case exit_status::kFileProblem:
      return QStringLiteral("file problem");
    default:
      return QStringLiteral("failed");
  }
}

// Where the last run found its reader.
QString linkText(const DeviceSession& s, int status) {
  if (status == exit_status::kNoReader) return QStringLiteral("none");
  if (s.serial.comPort == 0) return QStringLiteral("USB");
  return QStringLiteral("RS232 COM%1 %2 baud")
      .arg(s.serial.comPort)
      .arg(baudTable()[s.serial.baudIndex]);
}

}  // namespace

int watchLoop(RunContext& run, Runner runner) {
  const InterruptCatcher catcher;
  ReaderPresence presence(run.session, run.devices.hid, run.devices.serial, run.devices.clock);
  Clock& clock = run.devices.clock;
  int readers = 0;
  int done = 0;
  while (true) {
    run.status.note(QStringLiteral("mv4700: waiting for a reader (Ctrl+C ends)..."));
    if (!waitFor(presence, true)) break;

    ++readers;
    run.readerNumber = readers;
    run.session.serial.comPort = 0;
    run.dialogs.forget();
    const double start = clock.seconds();
    const int status = runner(run);
    run.status.finish();
    if (status == exit_status::kUsage) return status;
    if (status == exit_status::kDone) ++done;

    const double seconds = clock.seconds() - start;
    const QString link = linkText(run.session, status);
    if (run.output.json()) {
      QJsonObject summary = run.output.takeFields();
      summary[QStringLiteral("reader")] = readers;
      summary[QStringLiteral("link")] = link;
      summary[QStringLiteral("result")] = resultWord(status);
      summary[QStringLiteral("exitStatus")] = status;
      summary[QStringLiteral("seconds")] = qRound(seconds * 10) / 10.0;
      run.output.objectLine(summary);
    } else {
      run.output.line(QStringLiteral("reader %1: %2, %3, %4 s")
                          .arg(readers)
                          .arg(link, resultWord(status))
                          .arg(seconds, 0, 'f', 1));
    }

    if (InterruptCatcher::count() != 0 || run.output.failed()) break;
    run.status.note(QStringLiteral("mv4700: take the reader away..."));
    if (!waitFor(presence, false)) break;
  }

  const int failed = readers - done;
  if (run.output.json()) {
    run.output.objectLine(QJsonObject{{"readers", readers}, {"done", done}, {"failed", failed}});
  } else {
    run.output.line(
        QStringLiteral("%1 readers: %2 done, %3 failed").arg(readers).arg(done).arg(failed));
  }
  if (failed > 0) return exit_status::kReaderFailed;
  return readers == 0 ? exit_status::kNoReader : exit_status::kDone;
}

}  // namespace mv4700::cli
