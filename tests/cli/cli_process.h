#pragma once

#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace mv4700::testing {

// mv4700 run as a script runs it: standard input is no terminal.
struct CliResult {
  int status = -1;
  QString out;
  QString err;
  QStringList errLines() const { return err.split(u'\n', Qt::SkipEmptyParts); }
};

inline QProcessEnvironment cliEnvironment(const QString& comPorts = {}, bool setPorts = false) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("MV4700_COM_PORTS"));
  if (setPorts) env.insert(QStringLiteral("MV4700_COM_PORTS"), comPorts);
  return env;
}

inline CliResult runCli(const QStringList& arguments,
                        const QProcessEnvironment& env = cliEnvironment()) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(MV4700_CLI_PATH), arguments);
  process.closeWriteChannel();
  CliResult result;
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
  }
  result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  result.err = QString::fromLocal8Bit(process.readAllStandardError());
  return result;
}

// A running mv4700 whose output is watched as it comes.
class CliProcess {
 public:
  explicit CliProcess(const QStringList& arguments,
                      const QProcessEnvironment& env = cliEnvironment()) {
    process_.setProcessEnvironment(env);
    process_.start(QStringLiteral(MV4700_CLI_PATH), arguments);
    process_.closeWriteChannel();
  }
  ~CliProcess() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished();
    }
  }

  // Waits until `text` has appeared `times` times on standard output or error.
  bool waitFor(const QString& text, int times = 1, bool onError = true, int ms = 30000) {
    QElapsedTimer timer;
    timer.start();
    while ((onError ? err_ : out_).count(text) < times) {
      if (timer.elapsed() > ms || process_.state() == QProcess::NotRunning) return false;
      process_.waitForReadyRead(100);
      take();
    }
    return true;
  }
  bool waitForOut(const QString& text, int times = 1, int ms = 30000) {
    return waitFor(text, times, false, ms);
  }

  void interrupt() { ::kill(static_cast<pid_t>(process_.processId()), SIGINT); }

  int finish(int ms = 30000) {
    if (!process_.waitForFinished(ms)) return -1;
    take();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }

  const QString& out() const { return out_; }
  const QString& err() const { return err_; }

 private:
  void take() {
    out_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
    err_ += QString::fromLocal8Bit(process_.readAllStandardError());
  }

  QProcess process_;
  QString out_;
  QString err_;
};

}  // namespace mv4700::testing
