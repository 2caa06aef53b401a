#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace mv4700::testing {

// mv4700-sim running as its own process: the emulated reader on a
// pseudo-terminal, whose slave path it prints first. It ends when its input closes.
class SimProcess {
 public:
  SimProcess(const QString& program, const QStringList& arguments) {
    process_.start(program, arguments);
    if (!process_.waitForStarted(5000)) return;
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
    }
    slavePath_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  }
  ~SimProcess() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(1000);
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Empty when the emulator did not start.
  const QString& slavePath() const { return slavePath_; }

 private:
  QProcess process_;
  QString slavePath_;
};

}  // namespace mv4700::testing
