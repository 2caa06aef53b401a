#include "firmware/firmware_image.h"

#include <limits>

#include "seams/number_text.h"

namespace mv4700 {

int Fwaddress(FirmwareImage& image, int hiIndex, int loIndex) {
  const std::uint8_t hi = image.byteAt(hiIndex, static_cast<std::int64_t>(image.fwImage.size()));
  const std::uint8_t lo = image.byteAt(loIndex, static_cast<std::int64_t>(image.fwImage.size()));
  image.fwText = QStringLiteral("&H") + hexText(hi) + hexText(lo).rightJustified(2, u'0');

  // At most four hex digits: a signed 16-bit value, so 0x8000..0xFFFF are negative.
  const int address = static_cast<std::int16_t>(static_cast<std::uint16_t>(hi << 8 | lo));
  const int offset = address - kFirmwareImageBase;
  if (offset < std::numeric_limits<std::int16_t>::min()) return fault::kOverflow;
  image.fwOffset = static_cast<std::int16_t>(offset);
  return fault::kNone;
}

}  // namespace mv4700
