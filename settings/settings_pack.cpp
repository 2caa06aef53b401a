#include "settings/field_captions.h"
#include "settings/leading_number.h"
#include "settings/settings_image.h"

namespace mv4700 {

namespace {

constexpr int kPaddedLength = 7;
constexpr int kMaxByte = 255;

std::array<std::int16_t, 8> paddedCodes(const QString& text) {
  std::array<std::int16_t, 8> codes{};
  for (int k = 1; k <= kPaddedLength; ++k) {
    const char16_t c = k <= text.size() ? text[k - 1].unicode() : u' ';
    codes[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(c);
  }
  return codes;
}

struct TextSlot {
  Field field;
  std::array<std::int16_t, 8> PreparedValues::*codes;
};

constexpr std::array<TextSlot, 3> kTextSlots{{
    {Field::Text1, &PreparedValues::prefixCodes},
    {Field::Text2, &PreparedValues::postfixCodes},
    {Field::Text3, &PreparedValues::onremoveCodes},
}};

QString refusalLine(Field field, const QString& reason) {
  return QStringLiteral("Settings not written! ") + fieldCaption(field) + u' ' + reason;
}

// The reason a text cannot travel as a length byte and one byte per character.
std::optional<QString> unencodable(const QString& text) {
  if (text.size() > kMaxByte) return QStringLiteral("more than 255 characters.");
  for (QChar c : text) {
    if (c.unicode() > kMaxByte) return QStringLiteral("character code above 255.");
  }
  return std::nullopt;
}

}  // namespace

QByteArray settingsImageHeader(std::uint8_t command) {
  return QByteArray::fromRawData("\x1B", 1) + static_cast<char>(command) +
         QByteArray("\x00\x10\x1F", 3);
}

PreparedValues Packsettings(const SettingsFields& fields) {
  PreparedValues v;
  v.ps2LockByte = fields.value(Field::Check1) == 1 ? 255 : 0;

  // Out-of-range positions fall back to the first character and the full count.
  const double start = roundHalfEven(leadingNumber(fields.text(Field::Combo1)) - 1.0);
  v.startIndex = static_cast<std::int16_t>(start < 0 || start > 15 ? 0 : start);
  const double count = roundHalfEven(leadingNumber(fields.text(Field::Combo2)));
  v.charCount = static_cast<std::int16_t>(count < 1 || count > 16 ? 16 : count);

  for (const TextSlot& slot : kTextSlots) v.*slot.codes = paddedCodes(fields.text(slot.field));
  return v;
}

std::optional<QByteArray> assembleSettingsImage(std::uint8_t command, const PreparedValues& values,
                                                const SettingsFields& fields, QString* refusal) {
  auto refuse = [refusal](const QString& line) -> std::optional<QByteArray> {
    if (refusal) *refusal = line;
    return std::nullopt;
  };

  // The list codes travel as bytes; a Tag that is not one cannot be sent.
  auto codeByte = [&fields](Field list) -> std::optional<std::uint8_t> {
    const double code = roundHalfEven(leadingNumber(fields.tag(list)));
    if (code < 0 || code > kMaxByte) return std::nullopt;
    return static_cast<std::uint8_t>(code);
  };
  const auto baud = codeByte(Field::Combo4);
  if (!baud) return refuse(refusalLine(Field::Combo4, QStringLiteral("code not valid.")));
  const auto delimiter = codeByte(Field::Combo3);
  if (!delimiter) return refuse(refusalLine(Field::Combo3, QStringLiteral("code not valid.")));

  QByteArray image = settingsImageHeader(command);
  image.reserve(kSettingsImageSize);
  image += static_cast<char>(*baud);
  image += static_cast<char>(values.ps2LockByte);
  image += static_cast<char>(*delimiter);
  image += static_cast<char>(values.startIndex);
  image += static_cast<char>(values.charCount);

  for (const TextSlot& slot : kTextSlots) {
    const QString text = fields.text(slot.field);
    if (const auto reason = unencodable(text)) return refuse(refusalLine(slot.field, *reason));
    const auto& codes = values.*slot.codes;
    // A character above 255 in the prepared codes means the field changed
    // after packing; it cannot travel either.
    for (int k = 1; k <= kPaddedLength; ++k) {
      const auto code = codes[static_cast<std::size_t>(k)];
      if (code < 0 || code > kMaxByte) {
        return refuse(refusalLine(slot.field, QStringLiteral("character code above 255.")));
      }
    }
    image += static_cast<char>(text.size());
    for (int k = 1; k <= kPaddedLength; ++k) {
      image += static_cast<char>(codes[static_cast<std::size_t>(k)]);
    }
  }

  image += static_cast<char>(fields.value(Field::Check3));
  image += static_cast<char>(fields.value(Field::Check2));
  return image;
}

}  // namespace mv4700
