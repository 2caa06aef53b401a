#pragma once

#include <QProcess>
#include <QStringList>

namespace mv4700::testing {

// mv4700-sim serving one reader on a pseudo-terminal for as long as this
// object lives; path() is the port to open (empty when it did not start).
class SimulatedReader {
 public:
  SimulatedReader(const QString& program, const QStringList& arguments) {
    process_.start(program, arguments);
    if (!process_.waitForStarted(5000)) return;
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
    }
    path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  }
  ~SimulatedReader() { stop(); }
  SimulatedReader(const SimulatedReader&) = delete;
  SimulatedReader& operator=(const SimulatedReader&) = delete;

  const QString& path() const { return path_; }

  // Ends the emulator, which closes its pseudo-terminal under the port, as an
  // adapter does when it is pulled out.
  void stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(1000);
    }
  }

  // One line on the emulator's standard input: "touch", "remove", "unplug"...
  void command(const QByteArray& line) {
    process_.write(line + '\n');
    process_.waitForBytesWritten(1000);
  }

 private:
  QProcess process_;
  QString path_;
};

}  // namespace mv4700::testing
