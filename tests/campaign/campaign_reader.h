#pragma once

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "tests/campaign/campaign_run.h"

namespace mv4700::testing {

// mv4700-sim serving one reader at wire time, reached through a symbolic
// link that follows its port across a hangup and a replug.
class CampaignReader {
 public:
  CampaignReader(const QString& link, const QStringList& options) : link_(link) {
    process_.start(QStringLiteral(MV4700_SIM_PATH),
                   QStringList{"--wire-time", "--link", link} + options);
    if (process_.waitForStarted(5000) && process_.waitForReadyRead(10000))
      started_ = process_.canReadLine() || process_.waitForReadyRead(5000);
  }
  ~CampaignReader() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.write("quit\n");
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(1000);
    }
  }
  CampaignReader(const CampaignReader&) = delete;
  CampaignReader& operator=(const CampaignReader&) = delete;

  bool started() const { return started_ && process_.state() == QProcess::Running; }
  const QString& port() const { return link_; }
  qint64 processId() const { return process_.processId(); }

  // After a hangup and a replug: waits, bounded, until the link leads to
  // the new port again. The emulator prints each new path once it is set.
  bool waitForLink(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(link_)) {
      const qint64 left = milliseconds - timer.elapsed();
      if (left <= 0 || !process_.waitForReadyRead(static_cast<int>(left))) return false;
      process_.readAllStandardOutput();
    }
    return true;
  }

  // One line on the emulator's standard input; the paths it prints after a
  // replug are not needed, the link follows them.
  void say(const QByteArray& line) {
    process_.readAllStandardOutput();
    if (tracing()) trace("mv4700-sim < " + QString::fromLatin1(line));
    process_.write(line + '\n');
    process_.waitForBytesWritten(1000);
  }

 private:
  QString link_;
  QProcess process_;
  bool started_ = false;
};

}  // namespace mv4700::testing
