#include "firmware/first_stage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/firmware/image_files.h"
#include "tests/support/scripted_dialogs.h"

inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace mv4700 {
namespace {

using testing::ImageShape;
using testing::makeImage;
using testing::ScriptedDialogs;

TEST(FwaddressTest, AddressTextOffsetAndOverflow) {
  struct Case {
    std::uint8_t hi, lo;
    const char* text;
    int offset;  // expected fwOffset, or the unchanged 77 on overflow
    int fault;
  } cases[] = {
      {0x15, 0x0A, "&H150A", 10, 0},
      {0x00, 0x00, "&H000", -0x1500, 0},
      {0x15, 0x02, "&H1502", 2, 0},
      {0x7F, 0xFF, "&H7FFF", 0x7FFF - 0x1500, 0},
      {0x80, 0x00, "&H8000", 77, 6},
      {0x94, 0xFF, "&H94FF", 77, 6},
      {0x95, 0x00, "&H9500", -32768, 0},
      {0xFF, 0xFF, "&HFFFF", -1 - 0x1500, 0},
      {0x01, 0x0F, "&H10F", 0x10F - 0x1500, 0},
  };
  for (const Case& c : cases) {
    FirmwareImage image;
    image.fwImage[0x24] = c.hi;
    image.fwImage[0x25] = c.lo;
    image.fwOffset = 77;
    EXPECT_EQ(Fwaddress(image, 0x24, 0x25), c.fault) << c.text;
    EXPECT_EQ(image.fwText, QString::fromLatin1(c.text));
    EXPECT_EQ(image.fwOffset, c.offset) << c.text;
  }
}

class FirstStageTest : public ::testing::Test {
 protected:
  QString file(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(testing::writeFile(path, bytes));
    return path;
  }
  Outcome confirm(const QString& path) {
    return confirmFirmwareFile(image, dialogs, linkState, path);
  }
  QString notFirmware(const QString& path, const char* number) {
    return "File: " + path + " is not firmware for TQ-4700! " + number;
  }
  // The one box shown by the last confirm.
  const ScriptedDialogs::Shown& shownBox() {
    EXPECT_EQ(dialogs.shown.size(), 1);
    return dialogs.shown.back();
  }
  QString versionShown() {
    const QString text = shownBox().text;
    const QString head = "The version message of binary file: \n";
    const QString tail = "\n\nAre you sure to start flash ?\n";
    EXPECT_TRUE(text.startsWith(head) && text.endsWith(tail)) << text.toStdString();
    return text.mid(head.size(), text.size() - head.size() - tail.size());
  }

  QTemporaryDir dir;
  FirmwareImage image;
  ScriptedDialogs dialogs;
  QString linkState = QStringLiteral("USB");
};

TEST_F(FirstStageTest, ConfirmationShowsVersionAndAnswers) {
  const QString path = file("fw.bin", makeImage({}));
  EXPECT_EQ(confirm(path), Outcome::Done);
  const auto& box = shownBox();
  EXPECT_EQ(box.icon, Dialogs::Icon::Question);
  EXPECT_EQ(box.buttons, Dialogs::Buttons::OkCancel);
  EXPECT_EQ(box.title, "Firmware Update");
  EXPECT_EQ(versionShown(), "V2.07 2026");
  EXPECT_EQ(image.fwLength, 200);
  EXPECT_EQ(linkState, "USB");

  dialogs.shown.clear();
  dialogs.answers = {Dialogs::Answer::Cancel};
  EXPECT_EQ(confirm(path), Outcome::Declined);
  EXPECT_EQ(linkState, "USB");
}

TEST_F(FirstStageTest, IdentityCheckAndLengthLimit) {
  const int atEnd = 0x1500 + 197;  // only "470" fits before the end
  struct Case {
    const char* name;
    ImageShape shape;
    const char* number;  // nullptr: passes
  } cases[] = {
      {"longest", {.length = 32767}, nullptr},
      {"too long", {.length = 32768}, " 6"},
      {"marker at 0x1502", {.markerAddress = 0x1502}, nullptr},
      {"marker at 0x1501", {.markerAddress = 0x1501}, " 0"},
      {"marker at 0x1500", {.markerAddress = 0x1500}, " 0"},
      {"marker past the end", {.markerAddress = atEnd}, " 0"},
      {"marker in lower case", {.marker = "4700iv"}, " 0"},
      {"marker address overflows", {.markerAddress = 0x8000}, " 6"},
      {"version address overflows", {.versionAddress = 0x94FF}, " 6"},
      {"no marker address", {.length = 36}, " 0"},
  };
  for (const Case& c : cases) {
    dialogs.shown.clear();
    const QString path = file(QString::fromLatin1(c.name) + ".bin", makeImage(c.shape));
    EXPECT_EQ(confirm(path), c.number ? Outcome::Refused : Outcome::Done) << c.name;
    if (c.number) {
      const auto& box = shownBox();
      EXPECT_EQ(box.icon, Dialogs::Icon::Critical) << c.name;
      EXPECT_EQ(box.buttons, Dialogs::Buttons::Ok);
      EXPECT_EQ(box.title, "Error");
      EXPECT_EQ(box.text, notFirmware(path, c.number)) << c.name;
    }
    EXPECT_EQ(linkState, "USB") << c.name;
  }
}

TEST_F(FirstStageTest, ShorterFileReadsNothingOfAnEarlierOne) {
  ImageShape longShape{.length = 4000, .markerAddress = 0x1500 + 3000};
  const QByteArray longImage = makeImage(longShape);
  ASSERT_EQ(confirm(file("long.bin", longImage)), Outcome::Done);

  // Its marker lies past the end of the shorter file, its address low byte too.
  for (int length : {2999, 37}) {
    dialogs.shown.clear();
    const QString path = file(QString("short%1.bin").arg(length), longImage.left(length));
    EXPECT_EQ(confirm(path), Outcome::Refused) << length;
    EXPECT_EQ(shownBox().text, notFirmware(path, " 0")) << length;
  }
}

TEST_F(FirstStageTest, VersionTextAsShown) {
  const int end = 200;
  struct Case {
    const char* name;
    ImageShape shape;
    QString shown;
  } cases[] = {
      {"up to its 0 byte", {.version = QByteArray("AB\0CD", 5)}, "AB"},
      {"control and high bytes left out",
       {.version = QByteArray("A\x01\x1F \x7F\x80\xFF"
                              "B\0",
                              9)},
       "A \x7F"
       "B"},
      {"no 0 byte: to the end of the file",
       {.versionAddress = 0x1500 + end - 3, .version = "xyz"},
       "xyz"},
      {"address 0x0000", {.versionAddress = 0x0000}, "&H000"},
      {"address 0x1501", {.versionAddress = 0x1501}, "&H1501"},
      {"past the end", {.versionAddress = 0x1500 + end + 10}, ""},
  };
  for (const Case& c : cases) {
    dialogs.shown.clear();
    ASSERT_EQ(confirm(file(QString::fromLatin1(c.name) + ".bin", makeImage(c.shape))),
              Outcome::Done)
        << c.name;
    EXPECT_EQ(versionShown(), c.shown) << c.name;
  }
}

TEST_F(FirstStageTest, FilesThatCannotBeOpened) {
  const QString fifo = dir.filePath("pipe.bin");
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.bin"));
  struct Case {
    QString path;
    const char* number;
  } cases[] = {
      {dir.filePath("missing.bin"), "  53"},
      {dir.filePath("no/such/dir/fw.bin"), "  76"},
      {dir.filePath("folder.bin"), "  75"},
      {fifo, "  75"},  // would block in open until a writer came
      {"/dev/zero", "  75"},
      {"", "  53"},
  };
  for (const Case& c : cases) {
    dialogs.shown.clear();
    linkState = "USB";
    EXPECT_EQ(confirm(c.path), Outcome::FileProblem) << c.path.toStdString();
    const auto& box = shownBox();
    EXPECT_EQ(box.icon, Dialogs::Icon::Critical);
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.text, QString("Open binary file error!") + c.number) << c.path.toStdString();
    EXPECT_EQ(linkState, "") << c.path.toStdString();
  }
}

}  // namespace
}  // namespace mv4700
