#pragma once

#include <QProcess>
#include <QStringList>

namespace mv4700::testing {

// mv4700-sim serving its readers on pseudo-terminals for as long as this
// object lives; path() is the first reader's port (empty when it did not
// start), paths() every reader's, from "--readers N" in the arguments.
class SimulatedReader {
 public:
  SimulatedReader(const QString& program, const QStringList& arguments) {
    const qsizetype readersAt = arguments.indexOf(QStringLiteral("--readers"));
    const int readers = readersAt >= 0 ? arguments.value(readersAt + 1).toInt() : 1;
    process_.start(program, arguments);
    if (!process_.waitForStarted(5000)) return;
    while (paths_.size() < readers) {
      while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
      }
      if (!process_.canReadLine()) break;
      paths_ << QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    path_ = paths_.value(0);
  }
  ~SimulatedReader() { stop(); }
  SimulatedReader(const SimulatedReader&) = delete;
  SimulatedReader& operator=(const SimulatedReader&) = delete;

  const QString& path() const { return path_; }
  const QStringList& paths() const { return paths_; }

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
  QStringList paths_;
};

}  // namespace mv4700::testing
