// The command line's own parts: arguments, progress bar, ID lines.
#include <gtest/gtest.h>

#include <QFile>
#include <cstdio>

#include "cli/arguments.h"
#include "cli/command_table.h"
#include "cli/id_lines.h"
#include "cli/progress_bar.h"
#include "cli/stream_status_box.h"

namespace mv4700::cli {
namespace {

TEST(CliArguments, UsageErrorsAreCaught) {
  const QStringList wrong[] = {
      {},
      {"frob"},
      {"write"},
      {"write", "a.mvs", "b.mvs"},
      {"version", "extra"},
      {"--usb", "/dev/hidraw0", "--serial", "/dev/ttyS0", "version"},
      {"--usb", "/dev/hidraw0", "--baud", "9600", "version"},
      {"--serial", "/dev/ttyS0", "--baud", "4800", "version"},
      {"--watch", "list"},
      {"--watch", "read"},
      {"test", "--count", "0"},
      {"version", "--verify"},
      {"--all", "flash", "--rescue", "fw.bin"},
      {"--watch", "flash", "--rescue", "fw.bin"},
  };
  for (const QStringList& args : wrong) {
    const ParsedArguments p = parseArguments(QStringList{"mv4700"} + args);
    EXPECT_FALSE(p.invocation) << args.join(' ').toStdString();
    EXPECT_FALSE(p.error.isEmpty()) << args.join(' ').toStdString();
  }
}

// A usage error under --json is an object too: the parse keeps the command
// word and whether --json stood among the options (not as another's value).
TEST(CliArguments, AUsageErrorKnowsItsCommandAndWhetherJsonWasAsked) {
  struct Case {
    QStringList arguments;
    QString command;
    bool json;
  } cases[] = {
      {{"--json", "frob"}, "frob", true},
      {{"version", "--baud", "4800", "--json"}, "version", true},
      {{"read", "-o", "--json", "extra"}, "read", false},
      {{"--baud", "4800", "version"}, "version", false},
      {{"--json"}, "", true},
  };
  for (const Case& c : cases) {
    const ParsedArguments p = parseArguments(QStringList{"mv4700"} + c.arguments);
    EXPECT_FALSE(p.invocation) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(p.command, c.command) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(p.json, c.json) << c.arguments.join(' ').toStdString();
  }
}

TEST(CliArguments, OptionsMayStandBeforeOrAfterTheCommand) {
  const ParsedArguments p = parseArguments({"mv4700", "--serial", "/dev/ttyUSB0", "write", "--json",
                                            "s.mvs", "--verify", "--baud", "57600", "--watch"});
  ASSERT_TRUE(p.invocation) << p.error.toStdString();
  EXPECT_EQ(p.invocation->command, "write");
  EXPECT_EQ(p.invocation->file, "s.mvs");
  EXPECT_EQ(p.invocation->serialPath, "/dev/ttyUSB0");
  EXPECT_EQ(p.invocation->baud, 57600);
  EXPECT_TRUE(p.invocation->verify && p.invocation->json && p.invocation->watch);

  const ParsedArguments help = parseArguments({"mv4700", "flash", "--help"});
  EXPECT_TRUE(help.help.contains("flash [--rescue] IMAGE.bin"));
  EXPECT_TRUE(help.help.contains("64"));
}

// Short options may be compacted: the word after a value-taking letter that
// ends the group is its value, never the command.
TEST(CliArguments, CompactedShortOptionsFindTheSameCommandAsTheParser) {
  const ParsedArguments split = parseArguments({"mv4700", "-yo", "out.mvs", "read"});
  ASSERT_TRUE(split.invocation) << split.error.toStdString();
  EXPECT_EQ(split.invocation->command, "read");
  EXPECT_EQ(split.invocation->file, "out.mvs");
  EXPECT_TRUE(split.invocation->yes);
  const ParsedArguments joined = parseArguments({"mv4700", "-yoout.mvs", "read"});
  ASSERT_TRUE(joined.invocation) << joined.error.toStdString();
  EXPECT_EQ(joined.invocation->file, "out.mvs");
  // "read" is -o's value here, so the command is write, which has no -o.
  const ParsedArguments taken = parseArguments({"mv4700", "-yo", "read", "write"});
  EXPECT_FALSE(taken.invocation);
  EXPECT_EQ(taken.command, "write");
}

QString sourceFile(const char* name) {
  QFile file(QStringLiteral(MV4700_SOURCE_DIR "/cli/") + QLatin1String(name));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The manual and every completion name each command and option of the table,
// each in its own notation.
TEST(CliCommandTable, ManualAndCompletionsNameEveryCommandAndOption) {
  struct Document {
    const char* file;
    const char* longForm;   // %1: the long name
    const char* shortForm;  // %1: the one letter
    const char* command;    // %1: the command's name
  } documents[] = {
      {"mv4700.1", "--%1", "-%1", "\n.B %1\n|\\fB%1\\fR|\n.BI %1 "},
      {"mv4700.bash-completion", "--%1", "-%1", "%1"},
      {"mv4700.zsh-completion", "--%1", "-%1", "'%1:"},
      {"mv4700.fish", "-l %1", "-s %1", "-a %1 "},
  };
  for (const Document& d : documents) {
    QString text = sourceFile(d.file);
    ASSERT_FALSE(text.isEmpty()) << d.file;
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    const auto names = [&](const OptionRow& o) {
      EXPECT_TRUE(text.contains(QString::fromLatin1(d.longForm).arg(QLatin1String(o.longName))))
          << d.file << ": --" << o.longName;
      if (*o.shortName) {
        EXPECT_TRUE(text.contains(QString::fromLatin1(d.shortForm).arg(QLatin1String(o.shortName))))
            << d.file << ": -" << o.shortName;
      }
    };
    for (const OptionRow& o : globalOptions()) names(o);
    for (const CommandRow& c : commands()) {
      bool found = false;
      for (const QString& form : QString::fromLatin1(d.command).split(u'|'))
        found = found || text.contains(form.arg(QLatin1String(c.name)));
      EXPECT_TRUE(found) << d.file << ": " << c.name;
      for (const OptionRow& o : c.options) names(o);
    }
  }
}

TEST(CliCommandTable, EveryCommandHasItsHelpAndUnknownOnesAreUsageErrors) {
  for (const CommandRow& c : commands()) {
    const ParsedArguments p = parseArguments({"mv4700", QLatin1String(c.name), "--help"});
    EXPECT_TRUE(p.help.contains(QLatin1String(c.synopsis))) << c.name;
    for (const OptionRow& o : c.options)
      EXPECT_TRUE(p.help.contains(QLatin1String("--") + QLatin1String(o.longName))) << c.name;
  }
  // read's help tells what -o does in one place, without contradiction.
  const QString read = parseArguments({"mv4700", "read", "--help"}).help;
  EXPECT_EQ(read.count("instead of printing"), 1) << read.toStdString();
  EXPECT_FALSE(read.contains("Also save"));
  const ParsedArguments unknown = parseArguments({"mv4700", "tset"});
  EXPECT_FALSE(unknown.invocation);
  EXPECT_EQ(unknown.error, "unknown command 'tset'");
  EXPECT_TRUE(parseArguments({"mv4700", "--version"}).version);
  const ParsedArguments yes = parseArguments({"mv4700", "-y", "reset"});
  ASSERT_TRUE(yes.invocation);
  EXPECT_TRUE(yes.invocation->yes);
}

TEST(CliProgressBar, ShowsShareBytesRateAndTimeLeftAsWidthAllows) {
  EXPECT_EQ(progressBarText(500, 2000, 1.0, 40), "[####-------------]  25%  500/2000 bytes");
  EXPECT_EQ(progressBarText(500, 2000, 1.0, 20), "[###----------]  25%");
  EXPECT_EQ(progressBarText(500, 2000, 1.0),
            "[######------------------]  25%  500/2000 bytes  0.5 kB/s  0:03 left");
  EXPECT_EQ(progressBarText(2000, 2000, 4.0),
            "[########################] 100%  2000/2000 bytes  0.5 kB/s  0:00 left");
  EXPECT_EQ(progressBarText(0, 2000, 0.0), "[------------------------]   0%  0/2000 bytes");
}

TEST(CliIdLines, IdsEndAtTheDelimiterOrAfterAPause) {
  IdLines lines;
  EXPECT_EQ(lines.feed("ID12", 1.0), QStringList());
  EXPECT_EQ(lines.feed("34\r\nID56\t", 1.1), QStringList({"ID1234", "ID56"}));
  EXPECT_EQ(lines.feed("\r\n", 1.2), QStringList());
  EXPECT_EQ(lines.feed("NODELIM", 2.0), QStringList());
  EXPECT_EQ(lines.takeAfterPause(2.1), "");
  EXPECT_EQ(lines.takeAfterPause(2.0 + 2 * IdLines::kPauseSeconds), "NODELIM");
  EXPECT_EQ(lines.takeAfterPause(9.0), "");
}

QString written(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  char buffer[1024] = {};
  const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
  return QString::fromLatin1(buffer, static_cast<qsizetype>(n));
}

TEST(CliStatusBox, DotsGiveWayToTheBarAndNotesKeepTheOpenLine) {
  std::FILE* file = std::tmpfile();
  StreamStatusBox box(file);
  box.printOpen("Waiting ...");
  box.note("a note");
  box.printOpen(".");
  box.printLine(" Ready!");
  box.printOpen("Total 9 Bytes. Writing:");
  box.printOpen(".");
  box.showProgress(0, 9, 0, 200, false);
  box.printOpen(".");
  box.printLine("Receive device ACK timeout, Flash abort!");
  box.printOpen("left open");
  box.finish();
  EXPECT_EQ(written(file),
            "Waiting ...\na note\nWaiting .... Ready!\n"
            "Total 9 Bytes. Writing:.\rTotal 9 Bytes. Writing:. [------------------------]   0%  "
            "0/9 bytes\x1b[K\n"
            "Receive device ACK timeout, Flash abort!\nleft open\n");
  std::fclose(file);
}

// Every redraw stays within the terminal's width less one column, so that
// it never wraps into a new row; a dumb terminal gets blanks, no sequences.
TEST(CliStatusBox, TheProgressLineFitsTheTerminal) {
  for (const int columns : {20, 40, 80, 132}) {
    for (const bool dumb : {false, true}) {
      std::FILE* file = std::tmpfile();
      StreamStatusBox box(file);
      box.printOpen("Programming 4700-01 firmware, total 123456 Bytes. Writing:");
      box.showProgress(1, 123456, 0.5, columns, dumb);
      box.showProgress(123456, 123456, 60.0, columns, dumb);
      box.printLine();
      const QString text = written(file);
      const QStringList draws = text.split(u'\r').mid(1);
      ASSERT_EQ(draws.size(), 2) << text.toStdString();
      for (QString draw : draws) {
        EXPECT_EQ(draw.contains(u'\x1b'), !dumb) << draw.toStdString();
        draw = draw.section(u'\x1b', 0, 0).section(u'\n', 0, 0);
        if (dumb) draw = draw.trimmed();
        EXPECT_LT(draw.size(), columns) << columns << ": " << draw.toStdString();
        EXPECT_TRUE(draw.contains(u'%')) << draw.toStdString();
      }
      std::fclose(file);
    }
  }
}

}  // namespace
}  // namespace mv4700::cli
