#include "sim/reader_settings.h"

#include <algorithm>

namespace mv4700 {

ReaderSettings::ReaderSettings() {
  bytes_.fill(0x20);
  bytes_[kBaud] = 0;
  bytes_[kPs2Lock] = 0;
  bytes_[kDelimiter] = 0;
  bytes_[kStart] = 0;
  bytes_[kCount] = 16;
  bytes_[kPrefixLength] = 0;
  bytes_[kPostfixLength] = 0;
  bytes_[kOnRemoveLength] = 0;
  bytes_[kBuzzer] = 1;
  bytes_[kCapsLock] = 0;
}

QByteArray ReaderSettings::toByteArray() const {
  return QByteArray(reinterpret_cast<const char*>(bytes_.data()), kSize);
}

QByteArray ReaderSettings::text(Offset lengthOffset) const {
  const int length = std::min<int>(bytes_[lengthOffset], kTextSize);
  return QByteArray(reinterpret_cast<const char*>(bytes_.data()) + lengthOffset + 1, length);
}

void ReaderSettings::setText(Offset lengthOffset, const QByteArray& text) {
  const int length = std::min<int>(text.size(), kTextSize);
  bytes_[lengthOffset] = static_cast<std::uint8_t>(length);
  for (int i = 0; i < kTextSize; ++i)
    bytes_[lengthOffset + 1 + i] = i < length ? static_cast<std::uint8_t>(text[i]) : 0x20;
}

int ReaderSettings::baudOfCode(std::uint8_t code) {
  switch (code) {
    case 0:
      return 9600;
    case 6:
      return 19200;
    case 8:
      return 57600;
    case 9:
      return 115200;
    default:
      return 0;
  }
}

int ReaderSettings::codeOfBaud(int baud) {
  for (int code : {0, 6, 8, 9})
    if (baudOfCode(static_cast<std::uint8_t>(code)) == baud) return code;
  return -1;
}

}  // namespace mv4700
