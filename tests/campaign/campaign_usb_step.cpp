#include "tests/campaign/campaign_usb_step.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <csignal>
#include <cstdio>

#include "cli/cli.h"
#include "settings/plain_fields.h"
#include "settings/settings_file.h"
#include "settings/settings_image.h"
#include "sim/reader_faults.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/campaign/campaign_run.h"
#include "tests/campaign/campaign_step.h"
#include "tests/cli/in_process_run.h"
#include "tests/firmware/hid_tap.h"
#include "tests/support/test_clock.h"

namespace mv4700::testing {

namespace {

const QByteArray kBaseVersion = "CAMP 0.0";
// Virtual seconds. A USB search counts the devices, opens the reader and
// identifies it within one read of 1 s; generous, as the serial bounds are:
// a bound catches a hang, it measures nothing.
constexpr double kSearch = 5;
// A version counts once two reads agree: up to three reads, each searching.
constexpr double kVersionRead = 3 * kSearch + 3;
constexpr double kVerifyWait = 20 + 1 + kVersionRead + 1;
constexpr double kRescueWait = 60;
// The erase, the reader back on the bus as its loader, the update and length
// reports; each of the 52 data reports waits at most one read, and a wait
// that ends without an answer stops the transfer.
constexpr double kLoaderSteps = 1 + 6 + 1 + 1 + 2 + 2;
constexpr double kDataReports = 52 * 0.05;

// The settings the reader holds, as `mv4700 read -o` would save them.
QByteArray heldSettingsFile(const ReaderModel& reader) {
  QString reply = QString::fromLatin1(settingsImageHeader(kReadSettingsCommand));
  reply += QString::fromLatin1(reader.settings().toByteArray());
  PlainFields fields;
  Unpacksettings(reply, true, fields);
  return settingsFileBytes(fields).value_or(QByteArray());
}

// The worker's standard error while a transfer is stopped: the handler's
// warning after the first Ctrl+C goes straight to it.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
      ::dup2(null, STDERR_FILENO);
      ::close(null);
    }
  }
  ~QuietStderr() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

}  // namespace

// ---- the watchdog ----

WallWatchdog::WallWatchdog() : thread_([this] { watch(); }) {}

WallWatchdog::~WallWatchdog() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void WallWatchdog::arm(int step, double seconds) {
  const std::lock_guard lock(mutex_);
  step_ = step;
  seconds_ = seconds;
  deadline_ = std::chrono::steady_clock::now() +
              std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  armed_ = true;
}

void WallWatchdog::disarm() {
  const std::lock_guard lock(mutex_);
  armed_ = false;
}

void WallWatchdog::watch() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    wake_.wait_for(lock, std::chrono::milliseconds(200));
    if (!armed_ || std::chrono::steady_clock::now() < deadline_) continue;
    char text[200];
    const int n = std::snprintf(text, sizeof text,
                                "fault_campaign: step %d (USB, in process) still running after "
                                "%.0f s of wall time: hang; the worker ends\n",
                                step_, seconds_);
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, text, static_cast<size_t>(n));
    ::_exit(kWatchdogExit);
  }
}

// ---- one USB step ----

// One reader on the emulator's HID library, no serial reader, virtual time.
struct UsbBench::Rig {
  Rig() { reader.setVersionText(kBaseVersion); }

  TestClock clock;
  SimHidLibrary hid{clock};
  ReaderModel& reader = hid.addReader();
  HidTap tap{hid};
  SimSerialService serial{clock};
  cli::Devices devices{tap, serial, clock};
};

struct UsbBench::Known {
  bool answered = false;
  bool rescued = false;
  QString version;
  QByteArray settings;
  QString problem;
};

namespace {

// One in-process run of mv4700, as campaign_run's CommandRun, timed on the
// virtual clock.
const char* modeName(ReaderModel::Mode mode) {
  switch (mode) {
    case ReaderModel::Mode::Program:
      return "program";
    case ReaderModel::Mode::Rebooting:
      return "rebooting";
    case ReaderModel::Mode::Loader:
      return "loader";
    case ReaderModel::Mode::Unplugged:
      return "unplugged";
  }
  return "?";
}

CommandRun runUsb(cli::Devices& devices, TestClock& clock, SimHidLibrary& hid, HidTap& tap,
                  const QStringList& arguments, const QByteArray& typed = {}) {
  const double start = clock.peek();
  const std::size_t sentBefore = tap.sent.size();
  const CliRun inProcess = runInProcess(devices, arguments, typed);
  CommandRun r;
  r.status = inProcess.status;
  r.seconds = clock.peek() - start;
  r.out = inProcess.out;
  r.err = inProcess.err;
  if (tracing()) {
    ReaderModel& reader = hid.reader(0);
    trace(QStringLiteral("mv4700 (USB, in process) %1\nexit %2 after %3 virtual s, %4 output "
                         "reports; the reader: %5, version %6\n%7")
              .arg(arguments.join(u' '))
              .arg(r.status)
              .arg(r.seconds, 0, 'f', 3)
              .arg(tap.sent.size() - sentBefore)
              .arg(QString::fromLatin1(modeName(reader.mode())),
                   QString::fromLatin1(reader.versionText()), r.err.trimmed()));
  }
  return r;
}

// Switches the plan's lines ("NAME VALUE") on the reader.
QString switchLines(ReaderModel& reader, const QList<QByteArray>& lines) {
  for (const QByteArray& line : lines) {
    const QString text = QString::fromLatin1(line);
    const QString name = text.section(u' ', 0, 0);
    if (name == u"replug") continue;  // every USB step replugs an unplugged reader
    const QString why = switchReaderFault(reader, name, text.section(u' ', 1));
    if (!why.isEmpty()) return why;
  }
  return {};
}

}  // namespace

UsbBench::UsbBench() {
  baseImage_ = dir_.filePath("usbbase.bin");
  putBytes(baseImage_, makeSampleImage(kImageLength, kBaseVersion));
}

StepOutcome UsbBench::run(const Plan& plan, int step, std::mt19937& random) {
  watchdog_.arm(step, kWallSeconds);
  StepOutcome outcome = runStep(plan, step, random);
  watchdog_.disarm();
  return outcome;
}

// A transfer stopped by two presses of Ctrl+C after a random output report
// of the loader's leaves the reader in its loader; where it finished first,
// the program is taken away.
void UsbBench::leaveInLoader(Rig& rig, const QString& image, std::mt19937& random) {
  const std::size_t stopAt =
      static_cast<std::size_t>(std::uniform_int_distribution<int>(1, 60)(random));
  const std::size_t from = rig.tap.sent.size();
  bool pressed = false;
  // Only once the reader is in its loader: the flash catches Ctrl+C from its
  // start, but a press before the erase leaves the program.
  rig.tap.afterSend = [&](std::size_t send) {
    if (pressed || send - from < stopAt || rig.reader.mode() != ReaderModel::Mode::Loader) return;
    pressed = true;
    std::raise(SIGINT);
    std::raise(SIGINT);
  };
  {
    const QuietStderr quiet;
    runUsb(rig.devices, rig.clock, rig.hid, rig.tap, {"--yes", "flash", image});
  }
  rig.tap.afterSend = nullptr;
  if (rig.reader.mode() == ReaderModel::Mode::Unplugged) rig.reader.replug();
  if (rig.reader.mode() != ReaderModel::Mode::Loader) rig.reader.startInLoader();
}

// Fault-free: the settings, with a rescue through a power cycle where they
// cannot be read (and the settings read once more after it), then the version.
UsbBench::Known UsbBench::checkReader(Rig& rig) {
  Known known;
  const QString check = dir_.filePath("usbcheck.mvs");
  const auto readSettings = [&] {
    QFile::remove(check);
    return runUsb(rig.devices, rig.clock, rig.hid, rig.tap, {"read", "-o", check});
  };
  CommandRun read = readSettings();
  if (read.status != 0) {
    known.rescued = true;
    rig.tap.beforeCounts({{2, [&] { rig.reader.unplug(); }}, {4, [&] { rig.reader.replug(); }}});
    const CommandRun back = runUsb(rig.devices, rig.clock, rig.hid, rig.tap,
                                   {"--yes", "flash", "--rescue", baseImage_});
    rig.tap.beforeCount = nullptr;
    // A reader that came back from the power cycle with its program (left in
    // its loader with the image stored, or holding a cut-off command) has
    // no loader for the rescue to find, but answers now.
    const CommandRun again = readSettings();
    if (again.status != 0) {
      known.problem = "unrecoverable: read: " + read.lastErrLine() + "; rescue exit " +
                      QString::number(back.status) + ": " + back.lastErrLine() +
                      "; read again: " + again.lastErrLine();
      return known;
    }
    read = again;
  }
  const CommandRun version = runUsb(rig.devices, rig.clock, rig.hid, rig.tap, {"version"});
  if (read.status != 0 || version.status != 0) {
    known.problem = "unrecoverable: " + (read.status != 0 ? read : version).lastErrLine();
    return known;
  }
  known.answered = true;
  known.version = version.out.trimmed();
  known.settings = fileBytes(check);
  if (known.version != QString::fromLatin1(rig.reader.versionText()))
    known.problem = "version " + known.version + " after the step, the reader holds " +
                    QString::fromLatin1(rig.reader.versionText());
  else if (known.settings != heldSettingsFile(rig.reader))
    known.problem = "read -o after the step is not the settings the reader holds";
  if (!known.problem.isEmpty()) known.answered = false;
  return known;
}

StepOutcome UsbBench::runStep(const Plan& plan, int step, std::mt19937& random) {
  Rig rig;
  QDir(stepPath({})).removeRecursively();
  QDir().mkpath(stepPath({}));
  QStringList arguments;
  QByteArray typed;
  double bound = kSearch + 3;
  QByteArray askedSettings;
  QString askedVersion;
  QByteArray askedImage;
  const QString image = stepPath("fw.bin");
  switch (plan.command) {
    case Command::Write:
      askedSettings = randomSettingsFile(random);
      putBytes(stepPath("in.mvs"), askedSettings);
      arguments << "write" << stepPath("in.mvs");
      bound = 2 * kSearch + 4;
      break;
    case Command::Read:
      arguments << "read"
                << "-o" << stepPath("out.mvs");
      break;
    case Command::Reset:
      askedSettings = settingsFileBytes(PlainFields()).value_or(QByteArray());
      arguments << "--yes"
                << "reset";
      bound = 2 * kSearch + 4;
      break;
    case Command::Version:
      arguments << "version";
      bound = kVersionRead;
      break;
    case Command::Flash:
    case Command::Rescue:
      askedVersion = QStringLiteral("CAMP %1.%2").arg(step / 100).arg(step % 100);
      askedImage = makeSampleImage(kImageLength, askedVersion.toLatin1());
      putBytes(image, askedImage);
      arguments << "--yes"
                << "flash";
      if (plan.command == Command::Rescue) arguments << "--rescue";
      arguments << image;
      bound = kSearch + kLoaderSteps + kDataReports + kVerifyWait + 10;
      if (plan.command == Command::Rescue) {
        bound += kRescueWait;
        leaveInLoader(rig, image, random);
      }
      break;
    case Command::Test:
      // The reader types each ID as a keyboard: a touch, then the button
      // taken away.
      for (int k = 0; k < plan.count; ++k)
        typed += (rig.hid.touch(0) + rig.hid.remove(0)).toLatin1();
      arguments << "test"
                << "--count" << QString::number(plan.count);
      bound = kSearch + plan.count * 1.0 + 10;
      break;
  }
  bound += plan.fault.extraSeconds;

  if (const QString why = switchLines(rig.reader, plan.fault.on); !why.isEmpty())
    return {-1, 0, "the fault was refused: " + why};
  SimHidLibrary::DeviceSetup& setup = rig.hid.setup(0);
  setup.refuseOutputReport = plan.fault.hid.refuseOutputReport;
  setup.replyLatency = plan.fault.hid.replyLatency;
  setup.keepQueuedReports = plan.fault.hid.keepQueuedReports;
  setup.newNodeOnRestart = plan.fault.hid.newNodeOnRestart;
  const std::size_t from = rig.tap.sent.size();
  if (plan.fault.unplugAfterReports > 0) {
    const std::size_t at = from + static_cast<std::size_t>(plan.fault.unplugAfterReports);
    rig.tap.afterSend = [&rig, at](std::size_t send) {
      if (send == at) rig.reader.unplug();
    };
  }
  // The operator switches the reader off and on while the rescue waits.
  if (plan.command == Command::Rescue)
    rig.tap.beforeCounts({{2, [&] { rig.reader.unplug(); }}, {4, [&] { rig.reader.replug(); }}});

  const CommandRun run = runUsb(rig.devices, rig.clock, rig.hid, rig.tap, arguments, typed);

  rig.tap.afterSend = nullptr;
  rig.tap.beforeCount = nullptr;
  const bool leftOpen = rig.hid.openHandles() != 0;
  switchLines(rig.reader, plan.fault.off);
  rig.reader.faults() = {};
  setup.refuseOutputReport = 0;
  setup.replyLatency = 0;
  setup.keepQueuedReports = false;
  setup.newNodeOnRestart = false;
  if (rig.reader.mode() == ReaderModel::Mode::Unplugged) rig.reader.replug();
  // What the reader holds once the command is over.
  const QByteArray heldSettings = heldSettingsFile(rig.reader);
  const QString heldVersion = QString::fromLatin1(rig.reader.versionText());
  const QByteArray heldImage = rig.reader.storedImage();

  StepOutcome outcome;
  outcome.status = run.status;
  outcome.seconds = run.seconds;
  const Known known = checkReader(rig);
  outcome.rescued = known.rescued;

  const auto verdict = [&]() -> QString {
    if (run.seconds > bound)
      return QStringLiteral("hang: %1 virtual s, the bound is %2 s").arg(run.seconds).arg(bound);
    if (leftOpen) return "the HID device was left open";
    if (rig.hid.openHandles() != 0) return "the HID device was left open by the checks";
    if (run.status != 0 && run.lastErrLine().isEmpty()) return "failure without a status line";
    const QString out = stepPath("out.mvs");
    if (plan.command == Command::Read && QFile::exists(out) && fileBytes(out) != heldSettings)
      return run.status == 0 ? "false success: the file is not the reader's settings"
                             : "partial file left";
    const QStringList expected{"in.mvs", "out.mvs", "fw.bin"};
    for (const QString& name : QDir(stepPath({})).entryList(QDir::Files | QDir::Hidden))
      if (!expected.contains(name)) return "file left behind: " + name;
    if (!known.answered) return known.problem;
    if (run.status != 0) return "ok";
    switch (plan.command) {
      case Command::Write:
      case Command::Reset:
        if (heldSettings != askedSettings)
          return "false success: the reader does not hold the settings";
        break;
      case Command::Version:
        if (run.out.trimmed() != heldVersion) return "false success: version " + run.out.trimmed();
        break;
      case Command::Flash:
      case Command::Rescue:
        if (known.rescued || heldVersion != askedVersion || heldImage != askedImage)
          return "false success: the reader holds " + heldVersion;
        break;
      case Command::Test:
        if (run.out.split(u'\n', Qt::SkipEmptyParts).size() != plan.count)
          return "false success: not " + QString::number(plan.count) + " IDs";
        break;
      case Command::Read:
        if (!QFile::exists(out)) return "false success: no file";
        break;
    }
    return "ok";
  };
  outcome.verdict = verdict();
  return outcome;
}

}  // namespace mv4700::testing
