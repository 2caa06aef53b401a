#include "link/com_slots.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/pseudo_terminals.h"

namespace mv4700 {
namespace {

TEST(ComSlots, ListedPathsOrSortedSystemPorts) {
  const QStringList system{"/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyS0"};
  struct Case {
    int slot;
    std::optional<QString> listed;
    QString path;
  };
  const Case cases[] = {
      {1, std::nullopt, "/dev/ttyACM0"},
      {3, std::nullopt, "/dev/ttyUSB0"},
      {4, std::nullopt, ""},
      {1, QString("/dev/pts/7,/dev/pts/9"), "/dev/pts/7"},
      {2, QString("/dev/pts/7,/dev/pts/9"), "/dev/pts/9"},
      {3, QString("/dev/pts/7,/dev/pts/9"), ""},
      // Empty entries leave slots unused, and the list replaces the system ports.
      {1, QString(",,/dev/pts/3"), ""},
      {3, QString(",,/dev/pts/3"), "/dev/pts/3"},
      {1, QString(""), ""},
      {16, QString(",,,,,,,,,,,,,,,/dev/pts/4"), "/dev/pts/4"},
      {0, QString("/dev/pts/1"), ""},
      {17, QString(",,,,,,,,,,,,,,,,/dev/pts/4"), ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(comSlotPath(c.slot, c.listed, system), c.path)
        << "slot " << c.slot << " list " << c.listed.value_or("<unset>").toStdString();
}

TEST(ComSlots, SystemPortsSortByTheirNumbers) {
  const QStringList system{"/dev/ttyUSB10", "/dev/ttyS10", "/dev/ttyS2",
                           "/dev/ttyUSB9",  "/dev/ttyS1",  "/dev/ttyACM0"};
  const QStringList expected{"/dev/ttyACM0", "/dev/ttyS1",   "/dev/ttyS2",
                             "/dev/ttyS10",  "/dev/ttyUSB9", "/dev/ttyUSB10"};
  for (int slot = 1; slot <= expected.size(); ++slot)
    EXPECT_EQ(comSlotPath(slot, std::nullopt, system), expected[slot - 1]) << slot;
}

// The pseudo-terminals the search leaves out: not the caller's own, not one a
// slot names, in number order; "ptmx" is no terminal.
TEST(PseudoTerminals, ThoseNoSlotReachesAndNotTheCallersOwn) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const char* name : {"0", "2", "10", "ptmx"}) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  const QString own = dir.filePath("0");
  qunsetenv("MV4700_COM_PORTS");
  EXPECT_EQ(unsearchedPseudoTerminals({own}, dir.path()),
            QStringList({dir.filePath("2"), dir.filePath("10")}));
  qputenv("MV4700_COM_PORTS", (",," + dir.filePath("2")).toLocal8Bit());
  EXPECT_EQ(unsearchedPseudoTerminals({own}, dir.path()), QStringList({dir.filePath("10")}));
  qunsetenv("MV4700_COM_PORTS");
  EXPECT_TRUE(unsearchedPseudoTerminals({}, dir.filePath("none")).isEmpty());
}

}  // namespace
}  // namespace mv4700
