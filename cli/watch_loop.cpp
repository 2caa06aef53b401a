#include "cli/watch_loop.h"

#include <QJsonObject>
#include <ctime>
#include <optional>

#include "cli/exit_status.h"
#include "cli/json_lines.h"
#include "cli/output.h"
#include "cli/run_all.h"
#include "cli/signals.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "fleet/bench_jobs.h"
#include "link/device_session.h"
#include "link/reader_list.h"
#include "link/reader_presence.h"
#include "seams/clock.h"
#include "settings/code_tables.h"

namespace mv4700::cli {

namespace {

constexpr long kPollPauseMs = 300;

// A reader that restarts after its update is away this long at most: only
// an absence this long counts as the reader gone.
constexpr double kGoneSeconds = 2.0;

// Polls until whether a reader answers is `present` (for absence: for
// kGoneSeconds on end); false when Ctrl+C came first.
bool waitFor(ReaderPresence& presence, bool present, Clock& clock) {
  double absentSince = -1;
  while (InterruptCatcher::count() == 0) {
    const bool answers = presence.readerAnswers();
    if (present && answers) return true;
    if (!present) {
      const double now = clock.seconds();
      if (answers) {
        absentSince = -1;
      } else {
        if (absentSince < 0) absentSince = now;
        if (now - absentSince >= kGoneSeconds) return true;
      }
    }
    const timespec pause{0, kPollPauseMs * 1'000'000L};
    ::nanosleep(&pause, nullptr);
  }
  return false;
}

QString resultWord(int status, bool declined) {
  if (status == exit_status::kDone && declined) return QStringLiteral("declined");
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

// Where the last run found its reader; nothing when none answered.
std::optional<ListedReader> foundReader(const DeviceSession& s, int status) {
  if (status == exit_status::kNoReader) return std::nullopt;
  if (s.serial.comPort == 0) return ListedReader{true, s.usb.foundPath, 0, {}, s.shared.newModel};
  return ListedReader{false, s.serial.foundPath, s.serial.comPort, baudTable()[s.serial.baudIndex],
                      s.shared.newModel};
}

QString linkText(const std::optional<ListedReader>& r) {
  if (!r) return QStringLiteral("none");
  if (r->usb) return QStringLiteral("USB");
  return QStringLiteral("RS232 COM%1 %2 baud").arg(r->comPort).arg(r->baud);
}

}  // namespace

int watchLoop(RunContext& run, Runner runner) {
  const InterruptCatcher catcher;
  ReaderPresence presence(run.session);
  Clock& clock = run.devices.clock;
  int readers = 0;
  int done = 0;
  int declined = 0;
  // The input is read and checked, and the question asked, once before the
  // first reader is awaited: bad input or a question that cannot be asked
  // ends at once, with nothing sent.
  if (const std::optional<int> ended = checkInputOnce(run)) return *ended;
  const int firstNumber = run.invocation.command == u"read" && !run.invocation.file.isEmpty()
                              ? highestNumberedFile(run.invocation.file) + 1
                              : 1;
  while (true) {
    run.status.note(QStringLiteral("mv4700: waiting for a reader (Ctrl+C ends)..."));
    if (!waitFor(presence, true, clock)) break;

    ++readers;
    run.readerNumber = firstNumber + readers - 1;
    run.lastOutcome = Outcome::Done;
    run.session.serial.comPort = 0;
    run.dialogs.forget();
    const double start = clock.seconds();
    const int status = runner(run);
    run.status.finish();
    if (status == exit_status::kUsage) return status;
    const bool wasDeclined = status == exit_status::kDone && run.lastOutcome == Outcome::Declined;
    if (wasDeclined)
      ++declined;
    else if (status == exit_status::kDone)
      ++done;

    const double seconds = clock.seconds() - start;
    const std::optional<ListedReader> found = foundReader(run.session, status);
    if (run.output.json()) {
      run.output.objectLine(readerLineJson(run.output.takeFields(), run.invocation.command,
                                           {readers, found ? readerJson(*found) : QJsonObject(),
                                            resultWord(status, wasDeclined), status, seconds}));
    } else {
      run.output.line(QStringLiteral("reader %1: %2, %3, %4 s")
                          .arg(readers)
                          .arg(linkText(found), resultWord(status, wasDeclined))
                          .arg(seconds, 0, 'f', 1));
    }

    if (InterruptCatcher::count() != 0 || run.output.failed()) break;
    run.status.note(QStringLiteral("mv4700: take the reader away..."));
    if (!waitFor(presence, false, clock)) break;
  }

  const int failed = readers - done - declined;
  const int exitStatus = failed > 0     ? exit_status::kReaderFailed
                         : readers == 0 ? exit_status::kNoReader
                                        : exit_status::kDone;
  if (run.output.json()) {
    run.output.objectLine(
        tallyJson(run.invocation.command, {readers, done, declined, failed}, exitStatus));
  } else {
    run.output.line(benchSummary(readers, done, failed, declined));
  }
  return exitStatus;
}

}  // namespace mv4700::cli
