// What the reader sends for an iButton under its current settings.
#include <gtest/gtest.h>

#include "sim/button_text.h"

namespace mv4700 {
namespace {

struct TouchCase {
  int start;  // start index as stored (start character minus one)
  int count;
  const char* prefix;
  const char* postfix;
  int delimiter;
  const char* expected;
};

class ButtonTouch : public ::testing::TestWithParam<TouchCase> {};

TEST_P(ButtonTouch, FormatsTheIdBySettings) {
  const TouchCase& c = GetParam();
  ReaderSettings settings;
  settings.set(ReaderSettings::kStart, static_cast<std::uint8_t>(c.start));
  settings.set(ReaderSettings::kCount, static_cast<std::uint8_t>(c.count));
  settings.setText(ReaderSettings::kPrefixLength, c.prefix);
  settings.setText(ReaderSettings::kPostfixLength, c.postfix);
  settings.set(ReaderSettings::kDelimiter, static_cast<std::uint8_t>(c.delimiter));
  EXPECT_EQ(buttonTouchText(settings, 0x2C00000A1B3D4E01ull).toStdString(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ButtonTouch,
    ::testing::Values(TouchCase{0, 16, "", "", 0, "2C00000A1B3D4E01\r\n"},
                      TouchCase{2, 8, "ID:", "", 3, "ID:00000A1B\t"},
                      TouchCase{15, 16, "<", ">", 1, "<1>\r"},  // clipped at the last digit
                      TouchCase{10, 1, "", "", 2, "3\n"},
                      TouchCase{0, 4, "ABCDEFG", "xyz", 4, "ABCDEFG2C00xyz"},
                      TouchCase{0, 2, "", "", 9, "2C"},    // unknown code: no delimiter
                      TouchCase{16, 16, "p", "", 4, "p"},  // start past the digits
                      TouchCase{0, 40, "", "", 4, "2C00000A1B3D4E01"}));

TEST(ButtonRemove, SendsTheOnRemoveCharactersOnly) {
  ReaderSettings settings;
  EXPECT_TRUE(buttonRemoveText(settings).isEmpty());
  settings.setText(ReaderSettings::kOnRemoveLength, "OUT");
  EXPECT_EQ(buttonRemoveText(settings), QByteArray("OUT"));
  // A length byte beyond the seven slots reads only the slots.
  settings.set(ReaderSettings::kOnRemoveLength, 9);
  EXPECT_EQ(buttonRemoveText(settings), QByteArray("OUT    "));
}

TEST(ButtonId, SmallIdsKeepTheirLeadingZeros) {
  ReaderSettings settings;
  settings.set(ReaderSettings::kDelimiter, 4);
  EXPECT_EQ(buttonTouchText(settings, 0xABull), QByteArray("00000000000000AB"));
}

}  // namespace
}  // namespace mv4700
