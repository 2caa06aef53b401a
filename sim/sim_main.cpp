// mv4700-sim: an emulated Mirevantis 4700 reader on a pseudo-terminal, for
// demonstrations and end-to-end tests of the tool's RS232 side.
#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <optional>

#include "sim/line_faults.h"
#include "sim/pty_server.h"
#include "sim/reader_faults.h"
#include "sim/sample_image.h"
#include "sim/slave_link.h"

using namespace mv4700;

namespace {

int makeImage(const QString& path, const QString& lengthText, const QString& version) {
  bool ok = false;
  const int length = lengthText.toInt(&ok);
  const QByteArray image = ok ? makeSampleImage(length, version.toLatin1()) : QByteArray();
  if (image.isEmpty()) {
    std::fprintf(stderr, "mv4700-sim: --length must be %d to %d for this version text\n",
                 sampleImageMinimumLength(version.toLatin1()), ImageReceiver::kMaxLength);
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
      "of standard output, then serves until standard input ends. The reader answers\n"
      "only when the port runs at its speed, 8 data bits, no parity, one stop bit. It\n"
      "takes the tool's commands (identify, write, read and reset settings, version) and\n"
      "a firmware update (the 4700-01 only).\n"
      "\n"
      "Commands on standard input, one a line:\n"
      "  touch          touch an iButton to the reader (it sends the ID as set up)\n"
      "  remove         take the iButton away (it sends the on-remove characters)\n"
      "  unplug         cut the reader's power (the port stays, the reader is silent)\n"
      "  replug         restore the power, and the port after a hangup\n"
      "  hangup         pull the adapter: the port closes under the tool (its reads end,\n"
      "                 its writes fail) and its path is gone; replug brings a new port,\n"
      "                 whose path is printed as a new line (and set in --link)\n"
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
      "With --make-image FILE --length N --version TEXT it writes a sample firmware\n"
      "image of N bytes instead (marker \"4700IV\" and the version text where the\n"
      "address fields at offsets 36 and 28 point, image base 0x1500) and ends.";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("mv4700-sim");
  QCommandLineParser parser;
  parser.setApplicationDescription(helpText());
  parser.addHelpOption();
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
  const QCommandLineOption link(
      "link", "Keep a symbolic link at PATH to the current port, renewed on replug.", "PATH");
  const QCommandLineOption replyDelay(
      "reply-delay", "Seconds from a command's last byte to the answer's first.", "S");
  const QCommandLineOption makeImageOption("make-image", "Write a sample firmware image.", "FILE");
  const QCommandLineOption length("length", "Length of the sample image in bytes.", "N");
  parser.addOptions({model, baud, version, id, wireTime, link, replyDelay});
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
    return makeImage(parser.value(makeImageOption), parser.value(length), parser.value(version));

  const QString kindText = parser.value(model);
  const int speed = parser.value(baud).toInt();
  bool idOk = true;
  const qulonglong buttonId = parser.isSet(id) ? parser.value(id).toULongLong(&idOk, 16) : 0;
  if ((kindText != "new" && kindText != "old") || ReaderSettings::codeOfBaud(speed) < 0 || !idOk ||
      (parser.isSet(id) && parser.value(id).size() != 16)) {
    std::fprintf(stderr, "mv4700-sim: bad option; see --help\n");
    return 2;
  }

  SteadyClock clock;
  ReaderModel reader(kindText == "new" ? ReaderModel::Kind::New : ReaderModel::Kind::Old, clock);
  reader.setSerialBaud(speed);
  if (parser.isSet(version)) reader.setVersionText(parser.value(version).toLatin1());
  if (parser.isSet(id)) reader.setButtonId(buttonId);

  PtyLine line;
  PtyServer server(reader, clock, line);
  server.setWireTime(parser.isSet(wireTime));
  QStringList starting;
  if (parser.isSet(replyDelay)) starting << "reply-delay " + parser.value(replyDelay);
  for (const QCommandLineOption& option : faultOptions)
    if (parser.isSet(option))
      starting << option.names().first() + u' ' +
                      (option.valueName().isEmpty() ? QString("on") : parser.value(option));
  for (const QString& command : starting) {
    const QString refused = server.control(command.toLatin1());
    if (!refused.isEmpty()) {
      std::fprintf(stderr, "mv4700-sim: %s; see --help\n", qPrintable(refused));
      return 2;
    }
  }

  QString error;
  if (!line.open(&error)) {
    std::fprintf(stderr, "mv4700-sim: %s\n", qPrintable(error));
    return 1;
  }
  std::optional<SlaveLink> slaveLink;
  if (parser.isSet(link)) {
    slaveLink.emplace(parser.value(link));
    if (!slaveLink->point(line.slavePath(), &error)) {
      std::fprintf(stderr, "mv4700-sim: %s\n", qPrintable(error));
      return 1;
    }
  }
  server.setLineWatcher([&slaveLink](const QString& path) {
    if (slaveLink) slaveLink->point(path);
    if (path.isEmpty()) return;
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
  });
  if (parser.isSet(wireTime))
    std::fprintf(stderr,
                 "mv4700-sim: wire time: the tool's bytes count as sent %.1f us before they are "
                 "read (the pseudo-terminal's 5th-percentile delivery)\n",
                 server.creditSeconds() * 1e6);
  std::printf("%s\n", qPrintable(line.slavePath()));
  std::fflush(stdout);
  return server.serve(STDIN_FILENO);
}
