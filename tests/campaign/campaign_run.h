#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace mv4700::testing {

// One mv4700 run as the campaign ran it: a process, or in process over USB.
struct CommandRun {
  int status = -1;  // -1: killed or crashed
  bool hung = false;
  double seconds = 0;
  QString out;
  QString err;
  QString lastErrLine() const {
    const QStringList lines = err.split(u'\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed();
  }
};

// Called every tick while mv4700 runs, with its seconds so far and its
// standard error so far: types into the emulator, or presses Ctrl+C.
using Tick = std::function<void(double seconds, const QString& err, QProcess& process)>;

// With FAULT_CAMPAIGN_TRACE set, each mv4700 run and each line typed into the
// emulator is written to standard error, marked with the worker's process.
bool tracing();
void trace(const QString& lines);

// Runs mv4700; past `bound` seconds it counts as hung and is killed.
CommandRun runMv4700(const QStringList& arguments, double bound, const Tick& tick = {});

// Processes whose parent is this one, but `except`.
QList<qint64> childProcesses(qint64 except);

}  // namespace mv4700::testing
