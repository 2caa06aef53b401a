#include "tests/campaign/campaign_jobs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMap>
#include <QProcess>
#include <cstdio>
#include <memory>
#include <vector>

#include "tests/campaign/campaign_plan.h"
#include "tests/campaign/campaign_usb_step.h"

namespace mv4700::testing {

QByteArray outcomeLine(int step, const StepOutcome& outcome) {
  return QByteArray::number(step) + ' ' + QByteArray::number(outcome.status) + ' ' +
         QByteArray::number(outcome.seconds, 'f', 3) + ' ' + (outcome.rescued ? '1' : '0') + ' ' +
         outcome.verdict.toUtf8().replace('\n', ' ') + '\n';
}

std::optional<std::pair<int, StepOutcome>> parseOutcomeLine(const QByteArray& line) {
  const QList<QByteArray> fields = line.trimmed().split(' ');
  if (fields.size() < 5) return std::nullopt;
  bool stepOk = false, statusOk = false, secondsOk = false;
  const int step = fields[0].toInt(&stepOk);
  StepOutcome outcome;
  outcome.status = fields[1].toInt(&statusOk);
  outcome.seconds = fields[2].toDouble(&secondsOk);
  outcome.rescued = fields[3] == "1";
  outcome.verdict = QString::fromUtf8(fields.mid(4).join(' '));
  if (!stepOk || !statusOk || !secondsOk) return std::nullopt;
  return std::pair{step, outcome};
}

int serveSteps(unsigned seed, bool usbOnly) {
  CampaignBench bench;
  UsbBench usbBench;
  char line[64];
  while (std::fgets(line, sizeof line, stdin)) {
    bool ok = false;
    const int step = QByteArray(line).trimmed().toInt(&ok);
    if (!ok) continue;
    // Each step draws from a generator of its own: --from reruns it alone.
    StepDraw draw = drawStep(seed, step, CampaignBench::kImageFrames, usbOnly);
    const StepOutcome outcome = draw.plan.usb ? usbBench.run(draw.plan, step, draw.random)
                                              : bench.run(draw.plan, step, draw.random);
    std::fputs(outcomeLine(step, outcome).constData(), stdout);
    std::fflush(stdout);
  }
  return 0;
}

namespace {

// One worker process and the step it is running (0: none).
struct Worker {
  std::unique_ptr<QProcess> process;
  int step = 0;
};

}  // namespace

bool runSteps(const QStringList& workerArguments, int jobs, int from, int last,
              const std::function<void(int step, const StepOutcome&)>& report) {
  QEventLoop loop;
  QMap<int, StepOutcome> done;  // outcomes not yet reported
  int nextToHand = from;
  int nextToReport = from;
  std::vector<Worker> workers(static_cast<size_t>(std::max(1, jobs)));

  const auto reportInOrder = [&] {
    for (auto it = done.find(nextToReport); it != done.end(); it = done.find(nextToReport)) {
      report(nextToReport++, it.value());
      done.erase(it);
    }
    if (nextToReport > last) loop.quit();
  };
  const auto handOut = [&](Worker& worker) {
    if (nextToHand > last) {
      worker.step = 0;
      worker.process->closeWriteChannel();
      return;
    }
    worker.step = nextToHand++;
    worker.process->write(QByteArray::number(worker.step) + '\n');
  };
  std::function<void(Worker&)> start = [&](Worker& worker) {
    worker.process = std::make_unique<QProcess>();
    worker.step = 0;
    QProcess* process = worker.process.get();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(process, &QProcess::readyReadStandardOutput, &loop, [&, process] {
      while (process->canReadLine()) {
        const auto answer = parseOutcomeLine(process->readLine());
        if (!answer || answer->first != worker.step) continue;
        done.insert(answer->first, answer->second);
        handOut(worker);
      }
      reportInOrder();
    });
    // A worker that ends with a step in hand loses that step; a new one
    // takes the next. Its watchdog ends it when a USB step, in process, runs
    // past its wall time.
    QObject::connect(process, &QProcess::finished, &loop, [&](int code, QProcess::ExitStatus how) {
      if (worker.step == 0) return;
      const QString verdict =
          how == QProcess::NormalExit && code == kWatchdogExit
              ? QStringLiteral("hang: still running after %1 s of wall time (watchdog)")
                    .arg(UsbBench::kWallSeconds)
          : how == QProcess::CrashExit ? QStringLiteral("crash: the campaign worker ended")
                                       : QStringLiteral("campaign worker ended");
      done.insert(worker.step, {-1, 0, verdict, false});
      worker.step = 0;
      QMetaObject::invokeMethod(
          &loop,
          [&] {
            start(worker);
            handOut(worker);
            reportInOrder();
          },
          Qt::QueuedConnection);
    });
    QObject::connect(process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
      if (error != QProcess::FailedToStart) return;
      std::fprintf(stderr, "fault_campaign: a worker did not start\n");
      loop.exit(1);
    });
    process->start(QCoreApplication::applicationFilePath(), workerArguments);
  };
  for (Worker& worker : workers) {
    start(worker);
    handOut(worker);
  }
  const bool started = nextToReport > last || loop.exec() == 0;
  for (Worker& worker : workers) {
    worker.process->closeWriteChannel();
    worker.process->waitForFinished(10000);
  }
  return started;
}

}  // namespace mv4700::testing
