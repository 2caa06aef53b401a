#include "settings/settings_image.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/settings/settings_samples.h"
#include "tests/support/plain_fields.h"

namespace mv4700 {
namespace {

using testing::PlainFields;

QByteArray hex(const char* text) {
  return QByteArray::fromHex(text);
}

QByteArray imageOf(const SettingsFields& fields, std::uint8_t command = kWriteSettingsCommand) {
  QString refusal;
  const auto image = assembleSettingsImage(command, Packsettings(fields), fields, &refusal);
  EXPECT_TRUE(image.has_value()) << refusal.toStdString();
  return image.value_or(QByteArray());
}

QString replyOf(const QByteArray& image) {
  return QString::fromLatin1(image);
}

// Start 3, number 8, <TAB>, 19200, PS/2 lock, prefix "ID:", no postfix,
// on-remove "X", buzzer on, CapsLock off.
using testing::workedExampleFields;

const char* const kWorkedExampleImage =
    "1B1D00101F06FF0302080349443A2020202000202020202020200158202020202020"
    "0100";

TEST(SettingsImage, WorkedExampleByteForByte) {
  EXPECT_EQ(imageOf(workedExampleFields()).toHex().toUpper(), QByteArray(kWorkedExampleImage));
  EXPECT_EQ(settingsImageHeader(kReadSettingsCommand), hex("1B1C00101F"));
}

TEST(SettingsImage, PacksBoundaryValues) {
  const struct {
    const char* what;
    std::function<void(PlainFields&)> change;
    int index;
    QByteArray bytes;
  } cases[] = {
      {"start 16", [](auto& f) { f.setText(Field::Combo1, "16"); }, 8, hex("0F")},
      {"start 1", [](auto& f) { f.setText(Field::Combo1, "1"); }, 8, hex("00")},
      {"number 1", [](auto& f) { f.setText(Field::Combo2, "1"); }, 9, hex("01")},
      {"number 16", [](auto& f) { f.setText(Field::Combo2, "16"); }, 9, hex("10")},
      {"empty prefix", [](auto& f) { f.setText(Field::Text1, ""); }, 10, hex("0020202020202020")},
      {"prefix of seven", [](auto& f) { f.setText(Field::Text1, "ABCDEFG"); }, 10,
       hex("0741424344454647")},
      {"postfix of one", [](auto& f) { f.setText(Field::Text2, "Z"); }, 18,
       hex("015A202020202020")},
      {"on-remove of seven", [](auto& f) { f.setText(Field::Text3, "1234567"); }, 26,
       hex("0731323334353637")},
      {"PS/2 lock off", [](auto& f) { f.setValue(Field::Check1, 0); }, 6, hex("00")},
      {"buzzer off, CapsLock on",
       [](auto& f) {
         f.setValue(Field::Check3, 0);
         f.setValue(Field::Check2, 1);
       },
       34, hex("0001")},
      {"baud 115200", [](auto& f) { f.setTag(Field::Combo4, "9"); }, 5, hex("09")},
      {"Disable", [](auto& f) { f.setTag(Field::Combo3, "4"); }, 7, hex("04")},
  };
  for (const auto& c : cases) {
    PlainFields f = workedExampleFields();
    c.change(f);
    const QByteArray image = imageOf(f);
    ASSERT_EQ(image.size(), kSettingsImageSize) << c.what;
    EXPECT_EQ(image.mid(c.index, c.bytes.size()).toHex(), c.bytes.toHex()) << c.what;
  }
}

TEST(SettingsImage, RefusesTextsItCannotEncode) {
  const struct {
    Field field;
    QString text;
    const char* caption;
  } cases[] = {
      {Field::Text1, QString::fromUtf8("A€"), "Prefix characters:"},
      {Field::Text2, QString(QChar(0x100)), "Postfix characters:"},
      {Field::Text3, QString(256, u'x'), "Onremove characters:"},
  };
  for (const auto& c : cases) {
    PlainFields f;
    f.setText(c.field, c.text);
    QString refusal;
    EXPECT_FALSE(assembleSettingsImage(kWriteSettingsCommand, Packsettings(f), f, &refusal));
    EXPECT_TRUE(refusal.contains(QLatin1String(c.caption))) << refusal.toStdString();
  }

  // A Tag that is not a byte cannot travel either.
  PlainFields f;
  f.setTag(Field::Combo4, "300");
  QString refusal;
  EXPECT_FALSE(assembleSettingsImage(kWriteSettingsCommand, Packsettings(f), f, &refusal));
  EXPECT_TRUE(refusal.contains("Baud Rate:"));
}

// The reply to a read is the image with 0x1C in byte 1.
QString workedExampleReply() {
  return replyOf(imageOf(workedExampleFields(), kReadSettingsCommand));
}

TEST(SettingsImage, UnpacksAndBringsReplyValuesIntoRange) {
  const struct {
    int index;
    int byte;
    Field field;
    const char* text;
    const char* tag;
  } cases[] = {
      {5, 7, Field::Combo4, "9600", "0"},      {5, 1, Field::Combo4, "9600", "0"},
      {5, 12, Field::Combo4, "9600", "0"},     {5, 0, Field::Combo4, "9600", "0"},
      {5, 6, Field::Combo4, "19200", "6"},     {5, 8, Field::Combo4, "57600", "8"},
      {5, 9, Field::Combo4, "115200", "9"},    {7, 5, Field::Combo3, "Disable", "4"},
      {7, 200, Field::Combo3, "Disable", "4"}, {7, 2, Field::Combo3, "<LF>", "2"},
      {8, 15, Field::Combo1, "16", ""},        {8, 40, Field::Combo1, "16", ""},
      {8, 0, Field::Combo1, "1", ""},          {9, 0, Field::Combo2, "1", ""},
      {9, 1, Field::Combo2, "1", ""},          {9, 8, Field::Combo2, "8", ""},
      {9, 16, Field::Combo2, "16", ""},        {9, 255, Field::Combo2, "16", ""},
  };
  for (const auto& c : cases) {
    QString reply = workedExampleReply();
    reply[c.index] = QChar(c.byte);
    PlainFields f;
    Unpacksettings(reply, true, f);
    EXPECT_EQ(f.text(c.field), c.text) << "byte " << c.index << " = " << c.byte;
    EXPECT_EQ(f.tag(c.field), c.tag) << "byte " << c.index << " = " << c.byte;
  }
}

TEST(SettingsImage, UnpacksSwitchesAndCapsLockByModel) {
  const struct {
    int ps2, buzzer, caps;
    bool newModel;
    int check1, check3, check2;
    bool check2Enabled;
  } cases[] = {
      {0xFF, 1, 1, true, 1, 1, 1, true},   {0x01, 0, 0, true, 0, 0, 0, true},
      {0x00, 2, 7, true, 0, 1, 1, true},   {0xFF, 1, 1, false, 1, 1, 0, false},
      {0x00, 0, 0, false, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    QString reply = workedExampleReply();
    reply[6] = QChar(c.ps2);
    reply[34] = QChar(c.buzzer);
    reply[35] = QChar(c.caps);
    PlainFields f;
    f.setValue(Field::Check2, 1);
    f.setEnabled(Field::Check2, !c.check2Enabled);
    Unpacksettings(reply, c.newModel, f);
    EXPECT_EQ(f.value(Field::Check1), c.check1) << c.ps2;
    EXPECT_EQ(f.value(Field::Check3), c.check3) << c.buzzer;
    EXPECT_EQ(f.value(Field::Check2), c.check2) << c.caps << " newModel " << c.newModel;
    EXPECT_EQ(f.enabled(Field::Check2), c.check2Enabled);
  }
}

TEST(SettingsImage, TextLengthsRunIntoFollowingBytesAndStopAtTheReplyEnd) {
  QString reply = workedExampleReply();
  reply[10] = QChar(9);
  PlainFields f;
  Unpacksettings(reply, true, f);
  // Seven prefix bytes, the postfix length byte (0) and the first postfix byte.
  EXPECT_EQ(f.text(Field::Text1), QString("ID:    ") + QChar(0) + u' ');

  reply[10] = QChar(0);
  Unpacksettings(reply, true, f);
  EXPECT_EQ(f.text(Field::Text1), "");

  // A reply cut inside the prefix: the text ends there, missing bytes read as 0.
  Unpacksettings(workedExampleReply().left(13), true, f);
  EXPECT_EQ(f.text(Field::Text1), "ID");
  EXPECT_EQ(f.text(Field::Text3), "");
  EXPECT_EQ(f.value(Field::Check3), 0);
  EXPECT_EQ(f.text(Field::Combo4), "19200");
}

TEST(SettingsImage, WrittenSettingsReadBackUnchanged) {
  // Latin-1 above 127 included: each character is one byte both ways.
  const QString latin1 = QString::fromLatin1("\x80\xC4\xE9\xFF");
  for (const PlainFields& written :
       {PlainFields(), workedExampleFields(), testing::nonDefaultFields()}) {
    PlainFields source = written;
    source.setText(Field::Text2, latin1);
    PlainFields read;
    Unpacksettings(replyOf(imageOf(source, kReadSettingsCommand)), true, read);
    EXPECT_TRUE(testing::sameFields(read, source));
  }
}

}  // namespace
}  // namespace mv4700
