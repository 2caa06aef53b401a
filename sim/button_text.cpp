#include "sim/button_text.h"

#include <algorithm>

namespace mv4700 {

namespace {

QByteArray delimiterText(std::uint8_t code) {
  switch (code) {
    case 0:
      return "\r\n";
    case 1:
      return "\r";
    case 2:
      return "\n";
    case 3:
      return "\t";
    default:  // 4 is "none"; the firmware treats unknown codes the same way
      return {};
  }
}

}  // namespace

QByteArray buttonTouchText(const ReaderSettings& settings, std::uint64_t buttonId) {
  const QByteArray digits =
      QByteArray::number(static_cast<qulonglong>(buttonId), 16).toUpper().rightJustified(16, '0');
  const int start = std::min<int>(settings.at(ReaderSettings::kStart), 16);
  const int count = std::min<int>(settings.at(ReaderSettings::kCount), 16 - start);
  return settings.text(ReaderSettings::kPrefixLength) + digits.mid(start, count) +
         settings.text(ReaderSettings::kPostfixLength) +
         delimiterText(settings.at(ReaderSettings::kDelimiter));
}

QByteArray buttonRemoveText(const ReaderSettings& settings) {
  return settings.text(ReaderSettings::kOnRemoveLength);
}

}  // namespace mv4700
