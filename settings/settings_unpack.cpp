#include <algorithm>

#include "settings/field_values.h"
#include "settings/settings_image.h"

namespace mv4700 {

namespace {

// Image byte k is character k of the reply; a short reply reads as zeros.
int imageByte(const QString& reply, int k) {
  return k < reply.size() ? reply[k].unicode() : 0;
}

// The text that follows its length byte; a length above 7 runs into the bytes
// after it, and the text ends early where the reply ends.
QString imageText(const QString& reply, int lengthByte) {
  return reply.mid(lengthByte + 1, imageByte(reply, lengthByte));
}

constexpr int kBaud = 5, kPs2Lock = 6, kDelimiter = 7, kStart = 8, kCount = 9;
constexpr int kPrefixLength = 10, kPostfixLength = 18, kOnremoveLength = 26;
constexpr int kBuzzer = 34, kCapsLock = 35;

}  // namespace

void Unpacksettings(const QString& replyText, bool newModel, SettingsFields& fields) {
  fields.setText(Field::Text1, imageText(replyText, kPrefixLength));
  fields.setText(Field::Text2, imageText(replyText, kPostfixLength));
  fields.setText(Field::Text3, imageText(replyText, kOnremoveLength));

  selectBaud(fields, validBaudCode(imageByte(replyText, kBaud)));
  fields.setValue(Field::Check1, imageByte(replyText, kPs2Lock) == 0xFF ? 1 : 0);
  selectDelimiter(fields, std::min(imageByte(replyText, kDelimiter), 4));
  selectPosition(fields, Field::Combo1, std::min(imageByte(replyText, kStart) + 1, 16));
  // The reader keeps the count as it was written (1..16).
  selectPosition(fields, Field::Combo2, std::clamp(imageByte(replyText, kCount), 1, 16));
  fields.setValue(Field::Check3, imageByte(replyText, kBuzzer) != 0 ? 1 : 0);

  if (newModel) {
    fields.setValue(Field::Check2, imageByte(replyText, kCapsLock) != 0 ? 1 : 0);
    fields.setEnabled(Field::Check2, true);
  } else {
    fields.setValue(Field::Check2, 0);
    fields.setEnabled(Field::Check2, false);
  }
}

}  // namespace mv4700
