#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "firmware/firmware_file.h"
#include "tests/settings/settings_samples.h"
#include "tests/support/plain_fields.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700 {
namespace {

using testing::PlainFields;
using testing::RecordingStatusBox;
using testing::ScriptedDialogs;

const QStringList kNonDefaultLines{"[4700-01 Settings File]",
                                   "iButton Reader 4700 Mirevantis Inc.",
                                   "[PREFIX]",
                                   "ID:",
                                   "[START]",
                                   "3",
                                   "[NUMBER]",
                                   "8",
                                   "[POSTIFIX]",
                                   "x,y",
                                   "[DELIMITER]",
                                   "3",
                                   "[ONREMOVE]",
                                   "X",
                                   "[BUZZER]",
                                   " 0 ",
                                   "[BAUD]",
                                   "6",
                                   "[PS2KBLOCK]",
                                   " 1 ",
                                   "[CAPSLOCK]",
                                   " 1 "};

QByteArray joined(const QStringList& lines, const char* eol = "\r\n") {
  QByteArray bytes;
  for (const QString& line : lines) bytes += line.toLatin1() + eol;
  return bytes;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  QString path(const QString& name = "s.mvs") const { return dir.filePath(name); }

  void write(const QByteArray& bytes, const QString& name = "s.mvs") {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }

  QByteArray read(const QString& name = "s.mvs") {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

  Outcome save(const SettingsFields& fields, const QString& p) {
    return Savesettings(p, fields, status, dialogs);
  }
  Outcome load(SettingsFields& fields, const QString& p) {
    return Loadsettings(p, fields, status, dialogs);
  }

  QString openedLine() const { return "Settings file: " + path() + " opened."; }

  void expectOneErrorBox(const QString& text) {
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, text);
    EXPECT_EQ(dialogs.shown[0].title, "Error");
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(dialogs.shown[0].buttons, Dialogs::Buttons::Ok);
  }

  QTemporaryDir dir;
  RecordingStatusBox status;
  ScriptedDialogs dialogs;
};

TEST_F(SettingsFileTest, DefaultsSaveAsTheKnownFileAndLoadBack) {
  save(PlainFields(), path());
  EXPECT_EQ(read(), QByteArray("[4700-01 Settings File]\r\n"
                               "iButton Reader 4700 Mirevantis Inc.\r\n"
                               "[PREFIX]\r\n\r\n[START]\r\n1\r\n[NUMBER]\r\n16\r\n"
                               "[POSTIFIX]\r\n\r\n[DELIMITER]\r\n0\r\n[ONREMOVE]\r\n\r\n"
                               "[BUZZER]\r\n 1 \r\n[BAUD]\r\n0\r\n[PS2KBLOCK]\r\n 0 \r\n"
                               "[CAPSLOCK]\r\n 0 \r\n"));
  EXPECT_EQ(status.lines, QStringList{"Settings saved ok to : " + path()});

  PlainFields loaded = testing::nonDefaultFields();
  EXPECT_EQ(load(loaded, path()), Outcome::Done);
  EXPECT_TRUE(testing::sameFields(loaded, PlainFields()));
  EXPECT_TRUE(dialogs.shown.isEmpty());
  EXPECT_EQ(status.lines.mid(1), (QStringList{openedLine(), "Settings put on all fields."}));
}

TEST_F(SettingsFileTest, TrickyTextsSurviveSaveAndLoad) {
  PlainFields saved = testing::nonDefaultFields();
  saved.setText(Field::Text1, "A,B");
  saved.setText(Field::Text2, "\"quote");
  saved.setText(Field::Text3, " ");
  save(saved, path());
  PlainFields loaded;
  load(loaded, path());
  EXPECT_TRUE(testing::sameFields(loaded, saved));

  saved.setText(Field::Text1, QString::fromLatin1("\xA9\xC4\xDF\xE9\xF1\xFE\xFF"));
  save(saved, path());
  EXPECT_TRUE(read().contains("\xA9\xC4\xDF\xE9\xF1\xFE\xFF\r\n"));
  load(loaded, path());
  EXPECT_TRUE(testing::sameFields(loaded, saved));
}

TEST_F(SettingsFileTest, EveryLineEndLoadsTheSame) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    write(joined(kNonDefaultLines, eol) + "trailing lines\r\nare not read\n");
    PlainFields loaded;
    load(loaded, path());
    EXPECT_TRUE(testing::sameFields(loaded, testing::nonDefaultFields())) << (eol[0] == '\r');
  }
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

// Error N checks signature line N (1, 2) or the header of section N - 3; the
// sections before it are already applied. A header can be wrong, missing
// (the value line takes its place) or cut off by the end of the file.
TEST_F(SettingsFileTest, EachErrorNumberKeepsWhatWasAppliedBeforeIt) {
  enum Mutation { Misspelt, Missing, CutBefore };
  for (int n = 1; n <= 12; ++n) {
    const int line = n <= 2 ? n - 1 : 2 + 2 * (n - 3);
    const int applied = std::max(0, n - 3);
    for (Mutation m : {Misspelt, Missing, CutBefore}) {
      QStringList lines = kNonDefaultLines;
      if (m == Misspelt) lines[line] = n == 1 ? "[4700-01 settings file]" : lines[line] + ' ';
      if (m == Missing) lines.removeAt(line);
      if (m == CutBefore) lines = lines.mid(0, line);
      write(joined(lines));
      status.clear();
      dialogs.shown.clear();
      PlainFields loaded;
      const Outcome outcome = load(loaded, path());

      SCOPED_TRACE(::testing::Message() << "error " << n << " mutation " << m);
      EXPECT_EQ(outcome, Outcome::Refused);
      expectOneErrorBox("Settings file error! " + QString::number(n));
      EXPECT_EQ(status.lines, QStringList{openedLine()});
      const PlainFields expected = testing::nonDefaultFields();
      for (int i = 0; i < 10; ++i) {
        const Field f = kAllFields[static_cast<std::size_t>(i)];
        const PlainFields::State want = i < applied ? expected.state(f) : PlainFields().state(f);
        EXPECT_EQ(loaded.state(f), want) << "field " << i;
      }
    }
  }
}

TEST_F(SettingsFileTest, ValueLinesPastTheEndReadAsEmpty) {
  // Ends after the [BUZZER] header: the buzzer takes an empty line (0), then
  // the missing [BAUD] header fails.
  write(joined(kNonDefaultLines.mid(0, 15)));
  PlainFields loaded;
  loaded.setValue(Field::Check3, 1);
  load(loaded, path());
  expectOneErrorBox("Settings file error! 10");
  EXPECT_EQ(loaded.value(Field::Check3), 0);

  // Ends after the last header: CapsLock clears and the load completes.
  dialogs.shown.clear();
  write(joined(kNonDefaultLines.mid(0, 21)));
  load(loaded, path());
  EXPECT_TRUE(dialogs.shown.isEmpty());
  EXPECT_EQ(loaded.value(Field::Check2), 0);
  EXPECT_EQ(status.lines.last(), "Settings put on all fields.");
}

TEST_F(SettingsFileTest, ValueLinesAreBroughtIntoRange) {
  const struct {
    int valueLine;  // index in the file
    const char* value;
    Field field;
    const char* text;  // shown text, or the value of a check box
    const char* tag;
  } cases[] = {
      {3, "ABCDEFGHI", Field::Text1, "ABCDEFG", ""},
      {5, "0", Field::Combo1, "1", ""},
      {5, "17", Field::Combo1, "16", ""},
      {5, "-3", Field::Combo1, "1", ""},
      {5, "2.5", Field::Combo1, "2", ""},
      {5, "3.5", Field::Combo1, "4", ""},
      {5, "  12 apples", Field::Combo1, "12", ""},
      {5, "none", Field::Combo1, "1", ""},
      {5, "1e400", Field::Combo1, "16", ""},
      {5, "-99999999999", Field::Combo1, "1", ""},
      {7, "0.5", Field::Combo2, "1", ""},
      {7, "40000", Field::Combo2, "16", ""},
      {11, "7", Field::Combo3, "Disable", "4"},
      {11, "-1", Field::Combo3, "<CR+LF>", "0"},
      {11, "2", Field::Combo3, "<LF>", "2"},
      {17, "5", Field::Combo4, "9600", "0"},
      {17, "8", Field::Combo4, "57600", "8"},
      {17, "9.4", Field::Combo4, "115200", "9"},
      {17, "10", Field::Combo4, "9600", "0"},
      {17, "-6", Field::Combo4, "9600", "0"},
      {15, " 1 ", Field::Check3, "1", ""},
      {15, "2", Field::Check3, "0", ""},
      {15, "1.0", Field::Check3, "1", ""},
      {15, "0.6", Field::Check3, "0", ""},
      {21, "+1", Field::Check2, "1", ""},
  };
  for (const auto& c : cases) {
    QStringList lines = kNonDefaultLines;
    lines[c.valueLine] = c.value;
    write(joined(lines));
    PlainFields loaded;
    load(loaded, path());
    SCOPED_TRACE(c.value);
    EXPECT_EQ(status.lines.last(), "Settings put on all fields.");
    if (c.field == Field::Check1 || c.field == Field::Check2 || c.field == Field::Check3) {
      EXPECT_EQ(QString::number(loaded.value(c.field)), c.text);
    } else {
      EXPECT_EQ(loaded.text(c.field), c.text);
      EXPECT_EQ(loaded.tag(c.field), c.tag);
    }
  }
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SettingsFileTest, LoadKeepsADisabledCapsLockBoxDisabled) {
  write(joined(kNonDefaultLines));
  PlainFields loaded;
  loaded.setEnabled(Field::Check2, false);
  load(loaded, path());
  EXPECT_EQ(loaded.value(Field::Check2), 1);
  EXPECT_FALSE(loaded.enabled(Field::Check2));
}

// Settings and firmware files are opened alike, so both name a failure the same.
TEST_F(SettingsFileTest, OpenFailuresNameTheirCodeAndChangeNothing) {
  write("not a directory");
  const QString fifo = path("pipe.mvs");
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  const struct {
    QString path;
    int code;
  } cases[] = {
      {path("missing.mvs"), 53},
      {"", 53},
      {path("no-such-dir/s.mvs"), 76},
      {path("s.mvs/inner.mvs"), 76},  // a regular file stands where a directory should
      {dir.path(), 75},
      {fifo, 75},         // opening would wait for a writer
      {"/dev/zero", 75},  // one line without end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    dialogs.shown.clear();
    PlainFields loaded;
    EXPECT_EQ(load(loaded, c.path), Outcome::FileProblem);
    expectOneErrorBox("Settings file " + c.path + " not found!  " + QString::number(c.code));
    EXPECT_TRUE(testing::sameFields(loaded, PlainFields()));
    FirmwareImage image;
    EXPECT_EQ(loadFirmwareFile(image, c.path).openFailure, c.code);
  }
  EXPECT_TRUE(status.lines.isEmpty());
}

// Limits the size of files this process may write; root is bound by it too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  sighandler_t old_handler_;
};

TEST_F(SettingsFileTest, AFailedSaveLeavesTheExistingFileAsItWas) {
  const QByteArray existing = "existing settings\r\n";
  write(existing);

  PlainFields lineBreak;
  lineBreak.setText(Field::Text1, "A\rB");
  PlainFields beyondLatin1;
  beyondLatin1.setText(Field::Text3, QString(QChar(0x20AC)));
  EXPECT_EQ(save(lineBreak, path()), Outcome::Refused);
  EXPECT_EQ(save(beyondLatin1, path()), Outcome::Refused);
  {
    FileSizeLimit limit(40);  // the write runs out of room half-way
    EXPECT_EQ(save(PlainFields(), path()), Outcome::FileProblem);
  }
  EXPECT_EQ(read(), existing);
  // A regular file where a directory should be, and a directory where the file should be.
  EXPECT_EQ(save(PlainFields(), path("s.mvs/inner.mvs")), Outcome::FileProblem);
  EXPECT_EQ(save(PlainFields(), dir.path()), Outcome::FileProblem);

  ASSERT_EQ(dialogs.shown.size(), 5);
  EXPECT_EQ(dialogs.shown[4].text, "Save settings to file " + dir.path() + " Error!!");
  EXPECT_EQ(dialogs.shown[4].title, "Error");
  EXPECT_EQ(dialogs.shown[4].icon, Dialogs::Icon::Critical);
  EXPECT_TRUE(status.lines.isEmpty());
  EXPECT_EQ(read(), existing);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"s.mvs"});
}

}  // namespace
}  // namespace mv4700
