// Starts itself repeatedly as a child that builds the main window the way the
// tool does and reports at its first paint; the parent times each start from
// outside and prints the median. Usage: startup_bench [runs]   (default 15)
// Uses the platform in QT_QPA_PLATFORM; with no display it falls back to
// offscreen (run under xvfb-run for figures that include an X server).
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/application.h"
#include "app/operator_tool.h"
#include "bench/arguments.h"

namespace {

constexpr char kChildFlag[] = "--child";

long residentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

class FirstPaint final : public QObject {
 public:
  explicit FirstPaint(QWidget& window) : window_(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &window_) {
      seen_ = true;
      // Report once this paint has finished.
      QTimer::singleShot(0, [] {
        std::printf("painted %ld\n", residentKiB());
        std::fflush(stdout);
        QApplication::quit();
      });
    }
    return false;
  }

 private:
  QWidget& window_;
  bool seen_ = false;
};

int child(int argc, char** argv) {
  QApplication app(argc, argv);
  mv4700::configureApplication();
  mv4700::OperatorTool tool;
  FirstPaint watch(tool.window);
  app.installEventFilter(&watch);
  tool.window.show();
  return app.exec();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && qstrcmp(argv[1], kChildFlag) == 0) return child(argc, argv);

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  const int runs = mv4700::bench::numbersOrExit(
      argc, argv,
      "usage: startup_bench [runs]\n"
      "Starts the window runs times (default 15), each time as a child process that builds\n"
      "the main window as the tool does, and prints the median time from process start to\n"
      "its first paint (with the least and the most) and the median resident memory at that\n"
      "paint. Uses QT_QPA_PLATFORM; without a display it falls back to offscreen (run it\n"
      "under xvfb-run -a for figures that include an X server).\n",
      {{15, 1, 1000}})[0];

  std::vector<double> millis;
  std::vector<double> rss;
  for (int i = 0; i < runs; ++i) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QString::fromLocal8Bit(argv[0]), {QString::fromLatin1(kChildFlag)});
    QByteArray line;
    while (!line.contains('\n') && process.waitForReadyRead(30000)) line += process.readAll();
    const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    process.waitForFinished(10000);
    if (!line.startsWith("painted ")) {
      std::fprintf(stderr, "run %d: no first paint (%s)\n", i + 1,
                   process.readAllStandardError().constData());
      return 1;
    }
    millis.push_back(elapsed);
    rss.push_back(line.mid(8).trimmed().toDouble() / 1024);
  }
  std::printf(
      "platform: %s, runs: %d\n",
      qgetenv("QT_QPA_PLATFORM").isEmpty() ? "default" : qgetenv("QT_QPA_PLATFORM").constData(),
      runs);
  std::printf("start to first paint: median %.1f ms (min %.1f, max %.1f)\n", median(millis),
              *std::min_element(millis.begin(), millis.end()),
              *std::max_element(millis.begin(), millis.end()));
  std::printf("resident memory at first paint: median %.1f MiB\n", median(rss));
  return 0;
}
