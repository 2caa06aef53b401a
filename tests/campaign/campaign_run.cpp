#include "tests/campaign/campaign_run.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>

namespace mv4700::testing {

namespace {
constexpr int kTickMs = 50;
}  // namespace

bool tracing() {
  return qEnvironmentVariableIsSet("FAULT_CAMPAIGN_TRACE");
}

void trace(const QString& lines) {
  // One write per event: the workers' lines stay whole on a shared stderr.
  QByteArray text;
  for (const QString& line : lines.split(u'\n'))
    text += "trace " + QByteArray::number(::getpid()) + ": " + line.toLocal8Bit() + '\n';
  [[maybe_unused]] const auto n = ::write(STDERR_FILENO, text.constData(), text.size());
}

CommandRun runMv4700(const QStringList& arguments, double bound, const Tick& tick) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("MV4700_COM_PORTS"));
  process.setProcessEnvironment(env);
  QElapsedTimer timer;
  timer.start();
  process.start(QStringLiteral(MV4700_CLI_PATH), arguments);
  process.closeWriteChannel();
  CommandRun run;
  const auto take = [&] {
    run.out += QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err += QString::fromLocal8Bit(process.readAllStandardError());
  };
  while (!process.waitForFinished(kTickMs)) {
    take();
    run.seconds = static_cast<double>(timer.elapsed()) / 1000;
    if (process.state() == QProcess::NotRunning) break;
    if (run.seconds > bound) {
      run.hung = true;
      process.kill();
      process.waitForFinished(5000);
      break;
    }
    if (tick) tick(run.seconds, run.err, process);
  }
  take();
  run.seconds = static_cast<double>(timer.elapsed()) / 1000;
  if (!run.hung && process.exitStatus() == QProcess::NormalExit) run.status = process.exitCode();
  if (tracing()) {
    QString lines = QStringLiteral("mv4700 %1 -> exit %2 in %3 s")
                        .arg(arguments.join(u' '))
                        .arg(run.status)
                        .arg(run.seconds, 0, 'f', 2);
    for (const QString& line : run.err.split(u'\n', Qt::SkipEmptyParts)) lines += "\n  " + line;
    trace(lines);
  }
  return run;
}

QList<qint64> childProcesses(qint64 except) {
  QList<qint64> children;
  const QString self = QString::number(::getpid());
  const QStringList entries = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& entry : entries) {
    bool numeric = false;
    const qint64 pid = entry.toLongLong(&numeric);
    if (!numeric || pid == except) continue;
    QFile stat("/proc/" + entry + "/stat");
    if (!stat.open(QIODevice::ReadOnly)) continue;
    // pid (name) state ppid ...: the name may hold blanks, so count from ')'.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1 && fields[1] == self.toLatin1()) children << pid;
  }
  return children;
}

}  // namespace mv4700::testing
