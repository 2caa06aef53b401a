// mv4700 --json as scripts read it: every command, --watch, --all and a usage
// error, against an emulated reader; every line of standard output is held to
// one shape.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

#include "settings/plain_fields.h"
#include "sim/sample_image.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/files_on_disk.h"
#include "tests/link/core_application.h"
#include "tests/support/qt_printers.h"
#include "tests/support/sample_fields.h"
#include "tests/support/simulated_reader.h"

namespace mv4700::testing {
namespace {

bool isWhole(const QJsonValue& v) {
  return v.isDouble() && v.toDouble() == std::floor(v.toDouble());
}

// A reader is named by the same keys wherever it appears.
QString readerFault(const QJsonObject& o) {
  const QString link = o["link"].toString();
  if (link != "USB" && link != "RS232") return "link is neither USB nor RS232";
  if (!o["path"].isString()) return "path";
  if (link == "USB") return o.contains("port") || o.contains("baud") ? "USB with a port" : "";
  static const QRegularExpression com("^COM([1-9]|1[0-6])$");
  if (!com.match(o["port"].toString()).hasMatch()) return "port";
  if (!isWhole(o["baud"]) || !QList<int>{9600, 19200, 57600, 115200}.contains(o["baud"].toInt()))
    return "baud";
  return {};
}

// Empty when `line` is one object of the shape every --json line has.
QString shapeFault(const QString& line) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return "not an object";
  const QJsonObject o = document.object();
  if (!o["command"].isString()) return "command";
  if (!isWhole(o["exitStatus"]) || o["exitStatus"].toInt() < 0) return "exitStatus";
  if (o.contains("error") && (!o["error"].isString() || o["exitStatus"].toInt() != 64))
    return "error";
  for (const char* key : {"link", "path", "port", "baud"}) {
    if (!o.contains(key)) continue;
    if (const QString fault = readerFault(o); !fault.isEmpty()) return fault;
  }
  if (o.contains("reader")) {
    if (!isWhole(o["reader"]) || o["reader"].toInt() < 1) return "reader is not a number";
    if (!o["result"].isString() || !o["seconds"].isDouble()) return "result, seconds";
  }
  if (o["readers"].isArray()) {
    for (const QJsonValue& r : o["readers"].toArray()) {
      if (const QString fault = readerFault(r.toObject()); !fault.isEmpty()) return fault;
      if (!r.toObject()["model"].isString()) return "model";
    }
  } else if (o.contains("readers")) {
    if (o.contains("reader")) return "a tally names a reader";
    int ends = 0;
    for (const char* key : {"done", "declined", "failed"}) {
      if (!isWhole(o[key])) return key;
      ends += o[key].toInt();
    }
    if (ends != o["readers"].toInt()) return "the tally does not add up";
  }
  return {};
}

// Standard output's lines, each held to the shape; the last one's exit
// status is the program's.
QList<QJsonObject> shapedLines(const QString& out, int status, const QString& what) {
  QList<QJsonObject> objects;
  const QStringList lines = out.split(u'\n');
  EXPECT_TRUE(out.endsWith(u'\n')) << what.toStdString();
  for (const QString& line : lines.mid(0, lines.size() - 1)) {
    EXPECT_EQ(shapeFault(line), "") << what.toStdString() << ": " << line.toStdString();
    objects << QJsonDocument::fromJson(line.toUtf8()).object();
  }
  EXPECT_FALSE(objects.isEmpty()) << what.toStdString();
  if (!objects.isEmpty()) {
    EXPECT_EQ(objects.last()["exitStatus"].toInt(), status) << what.toStdString();
  }
  return objects;
}

class CliJson : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureCoreApplication();
    ASSERT_TRUE(dir.isValid());
    ASSERT_FALSE(reader.path().isEmpty());
  }
  QTemporaryDir dir;
  SimulatedReader reader{MV4700_SIM_PATH, {}};
};

TEST_F(CliJson, EveryCommandAndEveryErrorPrintsTheOneShape) {
  const QString settings = dir.filePath("bench.mvs");
  ASSERT_TRUE(putSettingsFile(settings, nonDefaultFields()));
  const QString image = dir.filePath("fw.bin");
  ASSERT_TRUE(putFile(image, makeSampleImage(300, "NEW 9.9")));
  const QStringList one{"--json", "--serial", reader.path()};
  const QProcessEnvironment comSlots = cliEnvironment(reader.path(), true);

  struct Case {
    QStringList arguments;
    int status;
    int lines;  // objects on standard output
    QProcessEnvironment env = cliEnvironment();
  };
  const Case cases[] = {
      {one + QStringList{"list"}, 0, 1},
      {one + QStringList{"version"}, 0, 1},
      {one + QStringList{"read"}, 0, 1},
      {one + QStringList{"read", "-o", dir.filePath("back.mvs")}, 0, 1},
      {one + QStringList{"write", settings}, 0, 1},
      {one + QStringList{"--yes", "reset"}, 0, 1},
      {one + QStringList{"--yes", "flash", image}, 0, 1},
      {one + QStringList{"read", "-o", dir.filePath("no/folder.mvs")}, 3, 1},
      {{"--json", "--serial", dir.filePath("no-such-port"), "version"}, 1, 1},
      {{"--json", "frob"}, 64, 1},
      {{"version", "--baud", "4800", "--json"}, 64, 1},
      {{"--json"}, 64, 1},
      // Ends before its first reader: one object still.
      {one + QStringList{"--watch", "write", dir.filePath("missing.mvs")}, 3, 1},
      {{"--json", "--all", "version"}, 0, 2, comSlots},
      {{"--json", "--all", "list"}, 0, 2, comSlots},
  };
  for (const Case& c : cases) {
    const QString what = c.arguments.join(' ');
    const CliResult r = runCli(c.arguments, c.env);
    EXPECT_EQ(r.status, c.status) << what.toStdString() << "\n" << r.err.toStdString();
    const QList<QJsonObject> objects = shapedLines(r.out, r.status, what);
    EXPECT_EQ(objects.size(), c.lines) << what.toStdString() << "\n" << r.out.toStdString();
  }

  // What scripts pick out of the lines.
  const QJsonObject usage =
      QJsonDocument::fromJson(runCli({"--json", "frob"}).out.toUtf8()).object();
  EXPECT_EQ(usage["command"].toString(), "frob");
  EXPECT_EQ(usage["error"].toString(), "unknown command 'frob'");
  const QList<QJsonObject> all =
      shapedLines(runCli({"--json", "--all", "version"}, comSlots).out, 0, "--all version");
  ASSERT_EQ(all.size(), 2);
  EXPECT_EQ(all[0]["reader"].toInt(), 1);
  EXPECT_EQ(all[0]["path"].toString(), reader.path());
  EXPECT_EQ(all[0]["name"].toString(), "RS232 COM1 " + reader.path());
  EXPECT_EQ(all[0]["version"].toString(), "NEW 9.9");
  EXPECT_EQ(all[1]["readers"].toInt(), 1);
}

TEST_F(CliJson, TestModeAndWatchLinesHaveTheShapeToo) {
  CliProcess test({"--json", "--serial", reader.path(), "test", "--count", "1"});
  ASSERT_TRUE(test.waitFor("please put ibutton on 4700")) << test.err().toStdString();
  reader.command("touch");
  EXPECT_EQ(test.finish(), 0) << test.err().toStdString();
  const QList<QJsonObject> ids = shapedLines(test.out(), 0, "test");
  ASSERT_EQ(ids.size(), 1);
  EXPECT_EQ(ids[0]["ids"].toArray().size(), 1);

  CliProcess watch({"--json", "--serial", reader.path(), "--watch", "version"});
  ASSERT_TRUE(watch.waitFor("take the reader away")) << watch.err().toStdString();
  watch.interrupt();
  EXPECT_EQ(watch.finish(), 0);
  const QList<QJsonObject> lines = shapedLines(watch.out(), 0, "--watch version");
  ASSERT_EQ(lines.size(), 2) << watch.out().toStdString();
  EXPECT_EQ(lines[0]["command"].toString(), "version");
  EXPECT_EQ(lines[0]["reader"].toInt(), 1);
  EXPECT_EQ(lines[0]["link"].toString(), "RS232");
  EXPECT_EQ(lines[0]["path"].toString(), reader.path());
  EXPECT_EQ(lines[0]["port"].toString(), "COM1");
  EXPECT_EQ(lines[0]["baud"].toInt(), 9600);
  EXPECT_EQ(lines[1]["done"].toInt(), 1);
}

}  // namespace
}  // namespace mv4700::testing
