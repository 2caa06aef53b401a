#include "tests/campaign/campaign_step.h"

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QThread>
#include <array>

#include "settings/plain_fields.h"
#include "settings/settings_file.h"
#include "sim/sample_image.h"
#include "tests/support/sample_fields.h"

namespace mv4700::testing {

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool putBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

namespace {

const QString kButtonId = QStringLiteral("0123456789ABCDEF");
const QByteArray kBaseVersion = "CAMP 0.0";
// The identify costs 0.2 s at each of four speeds; a search that finds
// nothing clears the line (the filler's wire time and 0.2 s a speed) and
// searches again; a process starts in well under a second. Generous: a
// bound catches a hang, it measures nothing.
constexpr double kSearch = 3 * 4 * 0.3 + 2;
// A version counts once two reads agree: up to three reads, each searching.
constexpr double kVersionRead = 3 * kSearch + 3;
constexpr double kVerifyWait = 20 + 1 + kVersionRead + 1;
constexpr double kRescueWait = 60;
constexpr double kLoaderSteps = 1 + 6 + 1 + 1 + 2 + 2;

void settle() {
  QThread::msleep(60);
}

}  // namespace

CampaignBench::CampaignBench() {
  baseImage_ = dir_.filePath("base.bin");
  putBytes(baseImage_, makeSampleImage(kImageFrames, kBaseVersion));
}

void CampaignBench::startReader(int baud) {
  reader_.reset();
  reader_ = std::make_unique<CampaignReader>(
      dir_.filePath("port"),
      QStringList{"--boot-seconds", "1.2", "--id", kButtonId, "--version",
                  QString::fromLatin1(kBaseVersion), "--baud", QString::number(baud)});
  knownVersion_ = QString::fromLatin1(kBaseVersion);
}

QByteArray randomSettingsFile(std::mt19937& random) {
  PlainFields fields;
  const int kind = std::uniform_int_distribution<int>(0, 3)(random);
  if (kind == 1) fields = workedExampleFields();
  if (kind >= 2) {
    setNonDefaults(fields);
    const int length = std::uniform_int_distribution<int>(0, 3)(random);
    QString prefix;
    for (int k = 0; k < length; ++k)
      prefix += QChar(u'A' + std::uniform_int_distribution<int>(0, 25)(random));
    fields.setText(Field::Text1, prefix);
  }
  return settingsFileBytes(fields).value_or(QByteArray());
}

// A transfer stopped by two presses of Ctrl+C leaves the reader in its
// loader; where it finished first, the program is taken away.
void CampaignBench::leaveInLoader(const QString& image) {
  int presses = 0;
  const CommandRun stopped =
      runMv4700({"--serial", reader_->port(), "--yes", "flash", image}, kSearch + kLoaderSteps + 30,
                [&](double, const QString& err, QProcess& process) {
                  if (presses < 2 && err.contains("Writing:")) {
                    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
                    ++presses;
                  }
                });
  if (stopped.status != 130) reader_->say("start-in-loader");
  settle();
}

CommandRun CampaignBench::rescue(const QString& image, double bound, bool cut) {
  double typedAt = -1;
  return runMv4700({"--serial", reader_->port(), "--yes", "flash", "--rescue", image}, bound,
                   [&](double seconds, const QString& err, QProcess&) {
                     if (typedAt < 0 && err.contains("waiting for its loader")) {
                       typedAt = seconds;
                       if (cut) reader_->say("unplug");
                     } else if (typedAt >= 0 && seconds > typedAt + 0.3 && cut) {
                       reader_->say("replug");
                       cut = false;
                     }
                   });
}

// Fault-free: the version, with a rescue where the program is gone, then
// the settings.
CampaignBench::Known CampaignBench::checkReader(bool versionAsked) {
  Known known;
  const QString check = dir_.filePath("check.mvs");
  const auto readSettings = [&] {
    QFile::remove(check);
    return runMv4700({"--serial", reader_->port(), "read", "-o", check}, kSearch + 3);
  };
  // The first fault-free command must find the reader, even one cut off in
  // the middle of a command: only a reader without its program needs more.
  CommandRun read = readSettings();
  if (read.status != 0) {
    known.rescued = true;
    const CommandRun back = rescue(baseImage_, kRescueWait + kLoaderSteps + kVerifyWait + 30, true);
    if (back.status != 0) {
      known.problem = "unrecoverable: read: " + read.lastErrLine() + "; rescue exit " +
                      QString::number(back.status) + ": " + back.lastErrLine();
      return known;
    }
    knownVersion_ = QString::fromLatin1(kBaseVersion);
    read = readSettings();
  }
  if (read.status == 0 && (versionAsked || knownVersion_.isEmpty())) {
    const CommandRun version = runMv4700({"--serial", reader_->port(), "version"}, kVersionRead);
    knownVersion_ = version.status == 0 ? version.out.trimmed() : QString();
  }
  if (read.status != 0 || knownVersion_.isEmpty()) {
    known.problem = "unrecoverable: " + read.lastErrLine();
    return known;
  }
  known.answered = true;
  known.version = knownVersion_;
  known.settings = fileBytes(check);
  return known;
}

QString CampaignBench::checkStep(const Plan& plan, const CommandRun& run, const Known& known) {
  if (run.hung) return "hang";
  if (run.status < 0) return "crash";
  if (!childProcesses(reader_->processId()).isEmpty()) return "process left over";
  if (run.status != 0 && run.lastErrLine().isEmpty()) return "failure without a status line";
  const QString out = stepPath("out.mvs");
  if (plan.command == Command::Read && QFile::exists(out) && fileBytes(out) != known.settings &&
      known.answered)
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
      if (known.settings != askedSettings_)
        return "false success: the reader does not hold the settings";
      break;
    case Command::Version:
      if (run.out.trimmed() != known.version) return "false success: version " + run.out.trimmed();
      break;
    case Command::Flash:
    case Command::Rescue:
      if (known.rescued || known.version != askedVersion_)
        return "false success: the reader reports " + known.version;
      break;
    case Command::Test:
      // The lines are the IDs as the reader's settings format them.
      if (!interrupted_ && run.out.split(u'\n', Qt::SkipEmptyParts).size() != plan.count)
        return "false success: not " + QString::number(plan.count) + " IDs";
      break;
    case Command::Read:
      break;
  }
  return "ok";
}

StepOutcome CampaignBench::run(const Plan& plan, int step, std::mt19937& random) {
  random_ = &random;
  static constexpr std::array<int, 4> kSpeeds{9600, 19200, 57600, 115200};
  startReader(kSpeeds[std::uniform_int_distribution<int>(0, kSpeeds.size() - 1)(random)]);
  if (!reader_->started()) return {-1, 0, "mv4700-sim did not start"};
  QDir(stepPath({})).removeRecursively();
  QDir().mkpath(stepPath({}));
  QStringList arguments{"--serial", reader_->port()};
  double bound = kSearch + 3;
  askedSettings_.clear();
  askedVersion_.clear();
  interrupted_ = false;
  const QString image = stepPath("fw.bin");
  switch (plan.command) {
    case Command::Write:
      askedSettings_ = randomSettingsFile(random);
      putBytes(stepPath("in.mvs"), askedSettings_);
      arguments << "write" << stepPath("in.mvs");
      bound = 2 * kSearch + 4;
      break;
    case Command::Read:
      arguments << "read"
                << "-o" << stepPath("out.mvs");
      break;
    case Command::Reset:
      askedSettings_ = settingsFileBytes(PlainFields()).value_or(QByteArray());
      arguments << "--yes"
                << "reset";
      // The reset, then its read back.
      bound = 2 * kSearch + 4;
      break;
    case Command::Version:
      bound = kVersionRead;
      break;
    case Command::Flash:
    case Command::Rescue:
      askedVersion_ = QStringLiteral("CAMP %1.%2").arg(step / 100).arg(step % 100);
      putBytes(image, makeSampleImage(kImageFrames, askedVersion_.toLatin1()));
      arguments << "--yes"
                << "flash";
      if (plan.command == Command::Rescue) arguments << "--rescue";
      arguments << image;
      // One wait of the transfer can end without an answer: it then stops.
      bound = kSearch + kLoaderSteps + kImageFrames * 0.03 + kVerifyWait + 10;
      if (plan.command == Command::Rescue) {
        bound += kRescueWait;
        leaveInLoader(image);
      }
      break;
    case Command::Test:
      arguments << "test"
                << "--count" << QString::number(plan.count);
      bound = kSearch + plan.count * 1.0 + 10;
      break;
  }
  if (plan.command == Command::Version) arguments << "version";
  bound += plan.fault.extraSeconds;

  for (const QByteArray& line : plan.fault.on) reader_->say(line);
  settle();
  bool hungUp = false;
  double seenAt = -1;
  int typed = 0;
  double cutAt = -1;
  const CommandRun run =
      runMv4700(arguments, bound, [&](double seconds, const QString& err, QProcess& process) {
        if (!hungUp && plan.fault.hangupAfter >= 0 && seconds >= plan.fault.hangupAfter) {
          reader_->say("hangup");
          hungUp = true;
        }
        if (plan.command == Command::Rescue) {
          if (cutAt < 0 && err.contains("waiting for its loader")) {
            cutAt = seconds;
            reader_->say("unplug");
          } else if (cutAt >= 0 && typed == 0 && seconds > cutAt + 0.3) {
            reader_->say("replug");
            typed = 1;
          }
        }
        if (plan.command == Command::Test) {
          if (seenAt < 0 && err.contains("*** Testing")) seenAt = seconds;
          if (seenAt < 0) return;
          // A touch, and the button taken away half a second later.
          if (typed < 2 * plan.count && seconds > seenAt + 0.5 * (typed + 1)) {
            reader_->say(typed % 2 == 0 ? "touch" : "remove");
            ++typed;
          }
          // The IDs did not all come: the operator gives up with Ctrl+C.
          if (!interrupted_ && seconds > seenAt + plan.count + 5) {
            ::kill(static_cast<pid_t>(process.processId()), SIGINT);
            interrupted_ = true;
          }
        }
      });
  for (const QByteArray& line : plan.fault.off) reader_->say(line);
  if (hungUp && !plan.fault.off.contains("replug")) reader_->say("replug");
  if (hungUp && !reader_->waitForLink(5000)) return {-1, run.seconds, "the port did not come back"};
  settle();

  StepOutcome outcome;
  outcome.status = run.status;
  outcome.seconds = run.seconds;
  const Known known =
      checkReader(plan.command == Command::Flash || plan.command == Command::Rescue);
  outcome.rescued = known.rescued;
  outcome.verdict = checkStep(plan, run, known);
  reader_.reset();
  return outcome;
}

}  // namespace mv4700::testing
