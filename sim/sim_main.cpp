// mv4700-sim: an emulated Mirevantis 4700 reader on a pseudo-terminal, for
// demonstrations and end-to-end tests of the tool's RS232 side.
#include <poll.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/line_faults.h"
#include "sim/pty_server.h"
#include "sim/reader_faults.h"
#include "sim/reader_on_pty.h"
#include "sim/sample_image.h"

using namespace mv4700;

namespace {

// The version text of a sample image made without --version: not the
// emulator's own, so that a flash of it shows in the version read back.
constexpr char kSampleVersionText[] = "4700-01 Firmware V2.11 (sample)";

int makeImage(const QString& path, const QString& lengthText, const QByteArray& version) {
  bool ok = lengthText.isEmpty();
  const int length = ok ? ImageReceiver::kMaxLength : lengthText.toInt(&ok);
  const QByteArray image = ok ? makeSampleImage(length, version) : QByteArray();
  if (image.isEmpty()) {
    std::fprintf(stderr, "mv4700-sim: --length must be %d to %d for this version text\n",
                 sampleImageMinimumLength(version), ImageReceiver::kMaxLength);
    return 2;
  }
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size()) {
    std::fprintf(stderr, "mv4700-sim: cannot write %s\n", qPrintable(path));
    return 1;
  }
  return 0;
}

QString helpText() {
  QString text =
      "Emulates a Mirevantis 4700 iButton reader on a pseudo-terminal.\n"
      "\n"
      "Prints the path of the port to open (the pseudo-terminal slave) as the first line\n"
      "of standard output, then serves until standard input ends. With --readers N it\n"
      "serves N readers, each on a port of its own, and prints their N paths first;\n"
      "--model, --baud, --version and --id then take a comma-separated list, one entry\n"
      "a reader (a single value serves all). The reader answers\n"
      "only when the port runs at its speed, 8 data bits, no parity, one stop bit. It\n"
      "takes the tool's commands (identify, write, read and reset settings, version) and\n"
      "a firmware update (the 4700-01 only).\n"
      "\n"
      "Commands on standard input, one a line; with several readers a line may begin with\n"
      "the reader's number (\"3 hangup\"), and without one it goes to reader 1:\n"
      "  touch          touch an iButton to the reader (it sends the ID as set up)\n"
      "  remove         take the iButton away (it sends the on-remove characters)\n"
      "  unplug         cut the reader's power (the port stays, the reader is silent)\n"
      "  replug         restore the power, and the port after a hangup\n"
      "  hangup         pull the adapter: the port closes under the tool (its reads end,\n"
      "                 its writes fail) and its path is gone; replug brings a new port,\n"
      "                 whose path is printed as a new line (with several readers after\n"
      "                 the reader's number), and set in --link\n"
      "  reply-delay S  seconds from a command's last byte to the answer's first\n";
  for (const FaultSwitch& f : readerFaultSwitches() + lineFaultSwitches()) {
    const QString usage = f.name + u' ' + (f.valueName.isEmpty() ? "[on]" : f.valueName);
    text += usage.size() < 14
                ? QStringLiteral("  %1 %2\n").arg(usage, -14).arg(f.description)
                : QStringLiteral("  %1\n  %2 %3\n").arg(usage, QString(14, u' '), f.description);
  }
  text +=
      "  (a fault followed by \"off\" clears it)\n"
      "  quit           end\n"
      "\n"
      "Every fault can also be set from the start with the option of the same name.\n"
      "\n"
      "With --make-image FILE it writes a sample firmware image instead and ends; only\n"
      "FILE is needed. --length N sets its length in bytes (default 32767, the most a\n"
      "loader takes), --version TEXT its version text (default\n\"" +
      QString(kSampleVersionText) +
      "\").\n"
      "The image holds the marker \"4700IV\" and the version text where the address\n"
      "fields at offsets 36 and 28 point (image base 0x1500).";
  return text;
}

// One value a reader from a comma-separated list: a single value serves all.
std::optional<QStringList> perReader(const QString& text, int readers) {
  QStringList values = text.split(u',');
  if (values.size() == 1) return QStringList(readers, values[0]);
  if (values.size() != readers) return std::nullopt;
  return values;
}

// Hands each line of standard input to the reader it names, until input
// ends, "quit" is read or every reader ended.
void dispatch(std::vector<std::unique_ptr<ReaderOnPty>>& readers) {
  QByteArray pending;
  const auto allEnded = [&readers] {
    for (const auto& r : readers)
      if (!r->ended()) return false;
    return true;
  };
  for (;;) {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, 200) < 0 && errno != EINTR) return;
    if (allEnded()) return;
    if (!(in.revents & (POLLIN | POLLHUP))) continue;
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0) return;
    if (n < 0) continue;
    pending.append(buffer, n);
    qsizetype end;
    while ((end = pending.indexOf('\n')) >= 0) {
      QByteArray line = pending.left(end).trimmed();
      pending.remove(0, end + 1);
      if (line == "quit") return;
      std::size_t target = 0;
      const qsizetype space = line.indexOf(' ');
      bool numbered = false;
      const int number = line.left(space < 0 ? line.size() : space).toInt(&numbered);
      if (numbered) {
        if (number < 1 || number > static_cast<int>(readers.size())) {
          std::fprintf(stderr, "mv4700-sim: no reader %d\n", number);
          continue;
        }
        target = static_cast<std::size_t>(number - 1);
        line = space < 0 ? QByteArray() : line.mid(space + 1);
      }
      readers[target]->say(line + '\n');
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("mv4700-sim");
  QCommandLineParser parser;
  parser.setApplicationDescription(helpText());
  parser.addHelpOption();
  const QCommandLineOption readersOption("readers", "Serve N readers (1 to 16). Default 1.", "N",
                                         "1");
  const QCommandLineOption model("model", "Reader kind: new (4700-01) or old (4700). Default new.",
                                 "new|old", "new");
  const QCommandLineOption baud("baud", "Speed of the reader's serial output. Default 9600.",
                                "9600|19200|57600|115200", "9600");
  const QCommandLineOption version("version", "Firmware version text the reader reports.", "TEXT");
  const QCommandLineOption id("id", "The iButton's ID, 16 hexadecimal digits.", "HEX16");
  const QCommandLineOption wireTime(
      "wire-time",
      "Pace the line at real wire time (10 bits a byte at the line speed): each byte comes\n"
      "in and leaves at its own moment, and an answer starts after the command is in. No\n"
      "exchange completes sooner than on a wire, measured from the tool's write: the\n"
      "tool's bytes count as sent only the pseudo-terminal's least delivery time before\n"
      "they were read (printed on standard error at the start).");
  const QCommandLineOption link("link",
                                "Keep a symbolic link at PATH to the current port, renewed on "
                                "replug; with several readers PATH1..PATHN.",
                                "PATH");
  const QCommandLineOption replyDelay(
      "reply-delay", "Seconds from a command's last byte to the answer's first.", "S");
  const QCommandLineOption makeImageOption(
      "make-image", "Write a sample firmware image to FILE and end (see above).", "FILE");
  const QCommandLineOption length("length", "Length of the sample image in bytes. Default 32767.",
                                  "N");
  parser.addOptions({readersOption, model, baud, version, id, wireTime, link, replyDelay});
  QList<QCommandLineOption> faultOptions;
  for (const FaultSwitch& f : readerFaultSwitches() + lineFaultSwitches()) {
    const QString text = f.description[0].toUpper() + f.description.mid(1) + u'.';
    faultOptions << (f.valueName.isEmpty() ? QCommandLineOption(f.name, text)
                                           : QCommandLineOption(f.name, text, f.valueName));
  }
  parser.addOptions(faultOptions);
  parser.addOptions({makeImageOption, length});
  parser.process(app);

  if (parser.isSet(makeImageOption))
    return makeImage(
        parser.value(makeImageOption), parser.value(length),
        parser.isSet(version) ? parser.value(version).toLatin1() : QByteArray(kSampleVersionText));

  const auto bad = [] {
    std::fprintf(stderr, "mv4700-sim: bad option; see --help\n");
    return 2;
  };
  bool countOk = false;
  const int count = parser.value(readersOption).toInt(&countOk);
  if (!countOk || count < 1 || count > 16) return bad();
  const std::optional<QStringList> kinds = perReader(parser.value(model), count);
  const std::optional<QStringList> speeds = perReader(parser.value(baud), count);
  const std::optional<QStringList> versions = perReader(parser.value(version), count);
  const std::optional<QStringList> ids = perReader(parser.value(id), count);
  if (!kinds || !speeds || !versions || !ids) return bad();

  QStringList starting;
  if (parser.isSet(replyDelay)) starting << "reply-delay " + parser.value(replyDelay);
  for (const QCommandLineOption& option : faultOptions)
    if (parser.isSet(option))
      starting << option.names().first() + u' ' +
                      (option.valueName().isEmpty() ? QString("on") : parser.value(option));

  std::mutex output;  // replug lines come from the readers' threads
  std::vector<std::unique_ptr<ReaderOnPty>> readers;
  for (int k = 0; k < count; ++k) {
    const QString kind = (*kinds)[k];
    const int speed = (*speeds)[k].toInt();
    bool idOk = true;
    const qulonglong buttonId = (*ids)[k].toULongLong(&idOk, 16);
    if ((kind != "new" && kind != "old") || ReaderSettings::codeOfBaud(speed) < 0 ||
        (parser.isSet(id) && (!idOk || (*ids)[k].size() != 16)))
      return bad();
    auto served = std::make_unique<ReaderOnPty>(
        kind == "new" ? ReaderModel::Kind::New : ReaderModel::Kind::Old, speed);
    ReaderModel& reader = served->reader();
    if (parser.isSet(version)) reader.setVersionText((*versions)[k].toLatin1());
    if (parser.isSet(id)) reader.setButtonId(buttonId);
    served->server().setWireTime(parser.isSet(wireTime));
    for (const QString& command : starting) {
      const QString refused = served->server().control(command.toLatin1());
      if (!refused.isEmpty()) {
        std::fprintf(stderr, "mv4700-sim: %s; see --help\n", qPrintable(refused));
        return 2;
      }
    }
    if (parser.isSet(link))
      served->keepLink(parser.value(link) + (count > 1 ? QString::number(k + 1) : QString()));
    const QString prefix = count > 1 ? QStringLiteral("%1 ").arg(k + 1) : QString();
    served->setReplugged([&output, prefix](const QString& path) {
      const std::lock_guard<std::mutex> lock(output);
      std::printf("%s%s\n", qPrintable(prefix), qPrintable(path));
      std::fflush(stdout);
    });
    readers.push_back(std::move(served));
  }
  for (std::size_t k = 0; k < readers.size(); ++k) {
    QString error;
    if (!readers[k]->start(&error)) {
      std::fprintf(stderr, "mv4700-sim: %s\n", qPrintable(error));
      return 1;
    }
    if (parser.isSet(wireTime))
      std::fprintf(stderr,
                   "mv4700-sim: wire time%s: the tool's bytes count as sent %.1f us before they "
                   "are read (the pseudo-terminal's 5th-percentile delivery)\n",
                   count > 1 ? qPrintable(QStringLiteral(", reader %1").arg(k + 1)) : "",
                   readers[k]->server().creditSeconds() * 1e6);
  }
  {
    const std::lock_guard<std::mutex> lock(output);
    for (const auto& served : readers) std::printf("%s\n", qPrintable(served->path()));
    std::fflush(stdout);
  }
  dispatch(readers);
  return 0;
}
