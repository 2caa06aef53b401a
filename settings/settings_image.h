#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "settings/settings_fields.h"

namespace mv4700 {

// The 36-byte block that carries the settings to the reader and back: a
// five-byte header (0x1B, command, 0x00, 0x10, 0x1F) and 31 settings bytes.
inline constexpr int kSettingsImageSize = 36;
inline constexpr std::uint8_t kWriteSettingsCommand = 0x1D;
inline constexpr std::uint8_t kReadSettingsCommand = 0x1C;

// The five header bytes for `command`; the read request is this header alone.
QByteArray settingsImageHeader(std::uint8_t command);

// Values taken from the fields for the image. Element 0 of the code arrays is
// never used; elements 1..7 hold the text's character codes padded with blanks.
struct PreparedValues {
  std::int16_t ps2LockByte = 0;
  std::int16_t startIndex = 0;
  std::int16_t charCount = 0;
  std::array<std::int16_t, 8> prefixCodes{};
  std::array<std::int16_t, 8> postfixCodes{};
  std::array<std::int16_t, 8> onremoveCodes{};
};

PreparedValues Packsettings(const SettingsFields& fields);

// The image for `command`. A text with a character above 255 or longer than
// 255 characters, or a list code that is not a byte, cannot travel: then
// nothing is returned and `refusal` (if given) receives the status line to print.
std::optional<QByteArray> assembleSettingsImage(std::uint8_t command, const PreparedValues& values,
                                                const SettingsFields& fields,
                                                QString* refusal = nullptr);

// Puts a reply into the fields. `replyText` holds one character per received
// byte (Latin-1); bytes past its end count as 0. `newModel` decides whether
// the CapsLock box follows the reply or is cleared and disabled.
void Unpacksettings(const QString& replyText, bool newModel, SettingsFields& fields);

}  // namespace mv4700
