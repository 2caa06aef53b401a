#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <random>

#include "settings/settings_file.h"
#include "tests/support/plain_fields.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700::testing {
namespace {

PlainFields filledWith(char c) {
  PlainFields fields;
  fields.setText(Field::Text1, QString(200000, QLatin1Char(c)));
  fields.setText(Field::Text3, QString(200000, QLatin1Char(c)));
  return fields;
}

// A process saving over the same file again and again is killed at random
// moments: what it leaves is always one whole save, never a mix of two.
TEST(SaveKillTest, AKilledSaveLeavesTheOldOrTheNewFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("big.mvs");
  const PlainFields first = filledWith('a');
  const PlainFields second = filledWith('b');
  const QByteArray firstBytes = settingsFileBytes(first).value();
  const QByteArray secondBytes = settingsFileBytes(second).value();
  ASSERT_GT(firstBytes.size(), 400000);

  RecordingStatusBox box;
  ScriptedDialogs dialogs;
  Savesettings(path, first, box, dialogs);

  std::mt19937 random(4700);
  std::uniform_int_distribution<int> micros(500, 30000);
  int replaced = 0;
  for (int kill = 0; kill < 20; ++kill) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) Savesettings(path, i % 2 ? first : second, box, dialogs);
    }
    usleep(static_cast<useconds_t>(micros(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "kill " << kill;
    const QByteArray left = file.readAll();
    EXPECT_TRUE(left == firstBytes || left == secondBytes)
        << "kill " << kill << ": " << left.size() << " bytes of a mix";
    if (left == secondBytes) ++replaced;
  }
  // The kills did land in the middle of saving, not only before the first one.
  EXPECT_GT(replaced, 0);
}

}  // namespace
}  // namespace mv4700::testing
