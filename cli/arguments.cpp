#include "cli/arguments.h"

#include <QCommandLineParser>
#include <array>

#include "settings/code_tables.h"

namespace mv4700::cli {

namespace {

struct CommandEntry {
  const char* name;
  const char* synopsis;
  const char* summary;  // one line of the tool's help
  const char* details;  // the command's own help
  int files;            // positional arguments after the command
};

constexpr std::array<CommandEntry, 7> kCommands{{
    {"list", "list", "the readers found on USB and on the serial ports",
     "Asks every USB reader and every serial port at each speed; prints USB\n"
     "readers with their hidraw path and model, serial readers with their COM\n"
     "slot, port path, speed and model.",
     0},
    {"read", "read [-o FILE.mvs]", "the reader's settings; -o saves them to a file",
     "Prints the reader's settings readably. With -o they are saved instead,\n"
     "byte for byte as the window's \"Save file\" saves them.",
     0},
    {"write", "write FILE.mvs [--verify]", "the settings of a .mvs file",
     "Writes the settings of a settings file to the reader. The file is read\n"
     "first: a file that cannot be read sends nothing. --verify reads the\n"
     "settings back and compares every field.",
     1},
    {"reset", "reset", "the reader's own defaults (asks first)",
     "Sets the reader to its own defaults, after asking (--yes answers yes).", 0},
    {"version", "version", "the firmware version text", "Prints the firmware version text.", 0},
    {"flash", "flash IMAGE.bin", "a firmware update (checks the image, asks first)",
     "Checks the image, asks (--yes answers yes), then updates the firmware. On\n"
     "a terminal a progress bar shows the transfer, otherwise the window's dots.\n"
     "The first Ctrl+C during the transfer only warns; a second one stops it\n"
     "and leaves the reader without a working program.",
     1},
    {"test", "test [--count N]", "each ID the reader sends, until Ctrl+C or N IDs",
     "Prints each ID that the reader sends, one line each, until Ctrl+C or N\n"
     "IDs. A USB reader types as a keyboard: keep this terminal in focus.",
     0},
}};

const char* const kExitStatuses =
    "Exit status:\n"
    "  0   done\n"
    "  1   no reader found\n"
    "  2   the reader failed or answered wrongly, or verify found a difference\n"
    "  3   a file could not be read or written, or was refused\n"
    "  64  usage error, also a question that cannot be asked (standard input is\n"
    "      not a terminal and --yes is missing); nothing is sent then\n";

const CommandEntry* findCommand(const QString& name) {
  for (const CommandEntry& c : kCommands) {
    if (name == QLatin1String(c.name)) return &c;
  }
  return nullptr;
}

struct GlobalOptions {
  QCommandLineOption usb{"usb", "Use the USB reader at this hidraw node; no search.",
                         "HIDRAW-PATH"};
  QCommandLineOption serial{"serial", "Use the reader on this serial port; no search.",
                            "PORT-PATH"};
  QCommandLineOption baud{"baud",
                          "Only this speed on the serial ports (9600, 19200, 57600, 115200).", "N"};
  QCommandLineOption yes{"yes", "Answer the question of reset and flash with yes."};
  QCommandLineOption json{"json", "Print the results as one JSON object."};
  QCommandLineOption watch{
      "watch",
      "Run again on every next reader, until Ctrl+C (write, flash, reset, read -o, version)."};
  QCommandLineOption help{QStringList{"h", "help"}, "Show this help."};
};

// The first word that is not an option or an option's value.
QString commandWord(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == u"--usb" || a == u"--serial" || a == u"--baud" || a == u"-o" || a == u"--output" ||
        a == u"--count") {
      ++i;
      continue;
    }
    if (!a.startsWith(u'-')) return a;
  }
  return {};
}

QString toolHelp(const QCommandLineParser& parser) {
  QString text = QStringLiteral(
      "Usage: mv4700 [--usb HIDRAW-PATH | --serial PORT-PATH [--baud N]] [--yes] [--json]\n"
      "              [--watch] COMMAND [ARGS]\n"
      "\n"
      "Configures Mirevantis 4700 and 4700-01 iButton readers without a window.\n"
      "Without --usb or --serial the reader is searched on USB first, then on COM1\n"
      "to COM16 at 9600, 19200, 57600 and 115200 baud (MV4700_COM_PORTS sets the\n"
      "slots). Status lines go to standard error, results to standard output.\n"
      "\n"
      "Commands:\n");
  for (const CommandEntry& c : kCommands) {
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

QString commandHelp(const CommandEntry& c, const QCommandLineParser& parser) {
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

}  // namespace

ParsedArguments parseArguments(const QStringList& arguments) {
  const GlobalOptions global;
  const QCommandLineOption output{
      QStringList{"o", "output"},
      "Also save the settings to this .mvs file (numbered with --watch).", "FILE.mvs"};
  const QCommandLineOption verify{"verify", "Read the settings back and compare every field."};
  const QCommandLineOption count{"count", "End after N IDs.", "N"};

  QCommandLineParser parser;
  parser.addOptions(
      {global.usb, global.serial, global.baud, global.yes, global.json, global.watch, global.help});

  const QString word = commandWord(arguments);
  const CommandEntry* entry = findCommand(word);
  if (entry) {
    const QString name = QLatin1String(entry->name);
    if (name == u"read") parser.addOption(output);
    if (name == u"write") parser.addOption(verify);
    if (name == u"test") parser.addOption(count);
  }

  if (!parser.parse(arguments)) {
    // --help beats a mistake elsewhere on the line.
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
      ParsedArguments parsed;
      parsed.help = entry ? commandHelp(*entry, parser) : toolHelp(parser);
      return parsed;
    }
    return usage(parser.errorText());
  }
  if (parser.isSet(global.help)) {
    ParsedArguments parsed;
    parsed.help = entry ? commandHelp(*entry, parser) : toolHelp(parser);
    return parsed;
  }
  if (word.isEmpty()) return usage(QStringLiteral("no command given"));
  if (!entry) return usage(QStringLiteral("unknown command '%1'").arg(word));

  Invocation inv;
  inv.command = QLatin1String(entry->name);
  const QStringList positional = parser.positionalArguments();
  if (positional.size() - 1 != entry->files) {
    return usage(entry->files == 0 ? QStringLiteral("'%1' takes no file").arg(inv.command)
                                   : QStringLiteral("'%1' takes one file: %2")
                                         .arg(inv.command, QLatin1String(entry->synopsis)));
  }
  if (entry->files == 1) inv.file = positional[1];

  inv.usbPath = parser.value(global.usb);
  inv.serialPath = parser.value(global.serial);
  if (parser.isSet(global.usb) && parser.isSet(global.serial))
    return usage(QStringLiteral("--usb and --serial exclude each other"));
  if ((parser.isSet(global.usb) && inv.usbPath.isEmpty()) ||
      (parser.isSet(global.serial) && inv.serialPath.isEmpty()))
    return usage(QStringLiteral("--usb and --serial need a device path"));
  if (parser.isSet(global.baud)) {
    if (parser.isSet(global.usb)) return usage(QStringLiteral("--baud is for serial ports"));
    const QString baud = parser.value(global.baud);
    if (!baudEntries().contains(baud))
      return usage(QStringLiteral("--baud must be 9600, 19200, 57600 or 115200"));
    inv.baud = baud.toInt();
  }
  inv.yes = parser.isSet(global.yes);
  inv.json = parser.isSet(global.json);
  inv.watch = parser.isSet(global.watch);
  if (inv.watch && (inv.command == u"list" || inv.command == u"test"))
    return usage(QStringLiteral("--watch is for write, flash, reset, read -o and version"));

  if (inv.command == u"read") {
    inv.file = parser.value(output);
    if (parser.isSet(output) && inv.file.isEmpty())
      return usage(QStringLiteral("-o needs a file name"));
    if (inv.watch && inv.file.isEmpty())
      return usage(QStringLiteral("read --watch needs -o FILE.mvs"));
  }
  if (inv.command == u"write") inv.verify = parser.isSet(verify);
  if (inv.command == u"test" && parser.isSet(count)) {
    inv.count = positiveNumber(parser.value(count));
    if (!inv.count) return usage(QStringLiteral("--count needs a number above 0"));
  }

  ParsedArguments parsed;
  parsed.invocation = inv;
  return parsed;
}

}  // namespace mv4700::cli
