#include "cli/arguments.h"

#include <QCommandLineParser>
#include <array>

#include "cli/command_table.h"
#include "settings/code_tables.h"

namespace mv4700::cli {

namespace {

const char* const kExitStatuses =
    "Exit status:\n"
    "  0    done; also a question answered no, and test ended by Ctrl+C\n"
    "  1    no reader found, or the device named by --usb or --serial is not there\n"
    "       or cannot be opened\n"
    "  2    the reader failed or answered wrongly, verify found a difference, or\n"
    "       test lost its input or serial line before --count IDs\n"
    "  3    a file or standard output could not be read or written, or was refused\n"
    "  64   usage error, also a question that cannot be asked (standard input or\n"
    "       standard error is not a terminal and --yes is missing); nothing is sent\n"
    "  130  Ctrl+C answered a question (nothing is sent) or stopped a transfer\n"
    "  129, 143  SIGHUP, SIGTERM ended the command, after its closing steps\n"
    "  141  standard output or error was a closed pipe\n"
    "  With --all: 0 when every reader is done, else the highest status of any\n"
    "  reader; 1 when no reader answered.\n"
    "\n"
    "Signals:\n"
    "  Ctrl+C (SIGINT) at a question answers it with nothing sent. Before a\n"
    "  firmware erase it stops at once; from the erase on the first press only\n"
    "  warns and a press after the warning stops the transfer. It ends test and\n"
    "  --watch (with the tally). Under --all it acts on every running transfer at\n"
    "  once. SIGTERM and SIGHUP act as two presses. Each\n"
    "  ends after the closing steps and leaves the terminal as it found it.\n";

QCommandLineOption qtOption(const OptionRow& option) {
  QStringList names;
  if (*option.shortName) names << QLatin1String(option.shortName);
  names << QLatin1String(option.longName);
  const QString description = QLatin1String(option.description);
  return option.valueName ? QCommandLineOption(names, description, QLatin1String(option.valueName))
                          : QCommandLineOption(names, description);
}

// Whether `word` is an option whose value is the next word. Short options
// may be compacted as the parser reads them (-yo FILE.mvs): the first letter
// that takes a value takes the rest of the word, or the next word when it is
// the last letter.
bool valueInNextWord(const QString& word) {
  if (takesValue(word)) return true;
  if (word.size() <= 2 || !word.startsWith(u'-') || word.startsWith(u"--")) return false;
  for (qsizetype pos = 1; pos < word.size(); ++pos) {
    if (takesValue(QStringLiteral("-") + word[pos])) return pos + 1 == word.size();
  }
  return false;
}

// The first word that is not an option or an option's value.
QString commandWord(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (valueInNextWord(a)) {
      ++i;
      continue;
    }
    if (!a.startsWith(u'-')) return a;
  }
  return {};
}

// Whether --json stands among the options, before any "--".
bool asksForJson(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == u"--") return false;
    if (a == u"--json") return true;
    if (valueInNextWord(a)) ++i;
  }
  return false;
}

QString toolHelp(const QCommandLineParser& parser) {
  QString text = QStringLiteral(
      "Usage: mv4700 [--usb HIDRAW-PATH | --serial PORT-PATH | --all] [--baud N] [--yes]\n"
      "              [--json] [--watch] COMMAND [ARGS]\n"
      "\n"
      "Configures Mirevantis 4700 and 4700-01 iButton readers without a window.\n"
      "Without --usb or --serial the reader is searched on USB first, then on COM1\n"
      "to COM16 at 9600, 19200, 57600 and 115200 baud (MV4700_COM_PORTS sets the\n"
      "slots). Status lines go to standard error, results to standard output.\n"
      "\n"
      "--all runs the command on every reader found at once: USB readers one after\n"
      "another, serial readers each on its own line. The question is asked once for\n"
      "all. Each line is prefixed with the reader's name (\"RS232 COM2 /dev/ttyUSB1\",\n"
      "\"USB /dev/hidraw3\"); each reader ends with a summary line, then a tally.\n"
      "With --json: one object a line per reader, then the tally. The exit status is\n"
      "0 when every reader is done, else the highest status any reader gave.\n"
      "--watch --all serves each reader as it answers, while others still run.\n"
      "\n"
      "Commands:\n");
  for (const CommandRow& c : commands()) {
    text += QStringLiteral("  %1%2\n")
                .arg(QLatin1String(c.synopsis), -27)
                .arg(QLatin1String(c.summary));
  }
  text += u'\n';
  // The options part of Qt's own help, without its usage line.
  const QString qtHelp = parser.helpText();
  const qsizetype options = qtHelp.indexOf(QStringLiteral("Options:"));
  if (options >= 0) text += qtHelp.mid(options);
  text += QStringLiteral("\n'mv4700 COMMAND --help' describes one command.\n\n");
  text += QLatin1String(kExitStatuses);
  return text;
}

QString commandHelp(const CommandRow& c, const QCommandLineParser& parser) {
  QString text = QStringLiteral("Usage: mv4700 [options] %1\n\n%2\n\n")
                     .arg(QLatin1String(c.synopsis), QLatin1String(c.details));
  const QString qtHelp = parser.helpText();
  const qsizetype options = qtHelp.indexOf(QStringLiteral("Options:"));
  if (options >= 0) text += qtHelp.mid(options);
  text += u'\n';
  text += QLatin1String(kExitStatuses);
  return text;
}

ParsedArguments usage(const QString& error) {
  ParsedArguments parsed;
  parsed.error = error;
  return parsed;
}

std::optional<int> positiveNumber(const QString& text) {
  bool ok = false;
  const int n = text.toInt(&ok);
  if (!ok || n <= 0) return std::nullopt;
  return n;
}

ParsedArguments parse(const QStringList& arguments) {
  QCommandLineParser parser;
  for (const OptionRow& o : globalOptions()) parser.addOption(qtOption(o));
  const QString word = commandWord(arguments);
  const CommandRow* entry = findCommand(word);
  if (entry) {
    for (const OptionRow& o : entry->options) parser.addOption(qtOption(o));
  }
  const auto helpText = [&] {
    ParsedArguments parsed;
    parsed.help = entry ? commandHelp(*entry, parser) : toolHelp(parser);
    return parsed;
  };

  if (!parser.parse(arguments)) {
    // --help beats a mistake elsewhere on the line.
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
      return helpText();
    return usage(parser.errorText());
  }
  if (parser.isSet(QStringLiteral("help"))) return helpText();
  if (parser.isSet(QStringLiteral("version"))) {
    ParsedArguments parsed;
    parsed.version = true;
    return parsed;
  }
  if (word.isEmpty()) return usage(QStringLiteral("no command given"));
  if (!entry) return usage(QStringLiteral("unknown command '%1'").arg(word));

  Invocation inv;
  inv.command = QLatin1String(entry->name);
  inv.runner = entry->runner;
  const QStringList positional = parser.positionalArguments();
  if (positional.size() - 1 != entry->files) {
    return usage(entry->files == 0 ? QStringLiteral("'%1' takes no file").arg(inv.command)
                                   : QStringLiteral("'%1' takes one file: %2")
                                         .arg(inv.command, QLatin1String(entry->synopsis)));
  }
  if (entry->files == 1) inv.file = positional[1];

  const bool usb = parser.isSet(QStringLiteral("usb"));
  const bool serial = parser.isSet(QStringLiteral("serial"));
  inv.usbPath = parser.value(QStringLiteral("usb"));
  inv.serialPath = parser.value(QStringLiteral("serial"));
  if (usb && serial) return usage(QStringLiteral("--usb and --serial exclude each other"));
  if ((usb && inv.usbPath.isEmpty()) || (serial && inv.serialPath.isEmpty()))
    return usage(QStringLiteral("--usb and --serial need a device path"));
  if (parser.isSet(QStringLiteral("baud"))) {
    if (usb) return usage(QStringLiteral("--baud is for serial ports"));
    const QString baud = parser.value(QStringLiteral("baud"));
    if (!baudEntries().contains(baud))
      return usage(QStringLiteral("--baud must be 9600, 19200, 57600 or 115200"));
    inv.baud = baud.toInt();
  }
  inv.yes = parser.isSet(QStringLiteral("yes"));
  inv.json = parser.isSet(QStringLiteral("json"));
  inv.watch = parser.isSet(QStringLiteral("watch"));
  inv.all = parser.isSet(QStringLiteral("all"));
  if (inv.all && (usb || serial))
    return usage(QStringLiteral("--all searches every reader; it excludes --usb and --serial"));
  if (inv.watch && (inv.command == u"list" || inv.command == u"test"))
    return usage(QStringLiteral("--watch is for write, flash, reset, read -o and version"));

  if (inv.command == u"read") {
    const bool output = parser.isSet(QStringLiteral("output"));
    inv.file = parser.value(QStringLiteral("output"));
    if (output && inv.file.isEmpty()) return usage(QStringLiteral("-o needs a file name"));
    if (inv.watch && inv.file.isEmpty())
      return usage(QStringLiteral("read --watch needs -o FILE.mvs"));
  }
  if (inv.command == u"write") {
    if (parser.isSet(QStringLiteral("verify")) && parser.isSet(QStringLiteral("no-verify")))
      return usage(QStringLiteral("--verify and --no-verify exclude each other"));
    inv.verify = !parser.isSet(QStringLiteral("no-verify"));
  }
  if (inv.command == u"flash") {
    inv.rescue = parser.isSet(QStringLiteral("rescue"));
    // A loader is told from its neighbours only by coming up while awaited.
    if (inv.rescue && (inv.watch || inv.all))
      return usage(QStringLiteral("--rescue serves one reader"));
  }
  if (inv.command == u"test" && parser.isSet(QStringLiteral("count"))) {
    inv.count = positiveNumber(parser.value(QStringLiteral("count")));
    if (!inv.count) return usage(QStringLiteral("--count needs a number above 0"));
  }

  ParsedArguments parsed;
  parsed.invocation = inv;
  return parsed;
}

}  // namespace

ParsedArguments parseArguments(const QStringList& arguments) {
  ParsedArguments parsed = parse(arguments);
  parsed.command = commandWord(arguments);
  parsed.json = asksForJson(arguments);
  return parsed;
}

}  // namespace mv4700::cli
