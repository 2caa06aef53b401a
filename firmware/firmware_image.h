#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "settings/open_for_reading.h"

namespace mv4700 {

// Device address of the first image byte.
inline constexpr int kFirmwareImageBase = 0x1500;
// Offsets of the two big-endian address fields in the image.
inline constexpr int kVersionAddressHi = 0x1C;
inline constexpr int kMarkerAddressHi = 0x24;

// Failure numbers shown after the file messages, beside those of opening the file.
namespace fault {
inline constexpr int kOverflow = 6;
}  // namespace fault

// The firmware image as loaded from a ".bin" file. File byte k is fwImage[k].
struct FirmwareImage {
  std::array<std::uint8_t, 32769> fwImage{};
  std::int32_t fwLength = 0;
  QString fwText;
  std::int16_t fwOffset = 0;

  // Image byte k of a file of `length` bytes: 0 at or past its end, so nothing
  // an earlier, longer file left behind is ever read or sent.
  std::uint8_t byteAt(std::int64_t k, std::int64_t length) const {
    return k >= 0 && k < length && k < static_cast<std::int64_t>(fwImage.size())
               ? fwImage[static_cast<std::size_t>(k)]
               : 0;
  }
  std::uint8_t byteAt(std::int64_t k) const { return byteAt(k, fwLength); }
};

// Turns the address field at fwImage[hiIndex], fwImage[loIndex] into the
// address text ("&H150A", "&H000") in fwText and the file offset in fwOffset.
// Returns fault::kOverflow (fwOffset unchanged) for addresses 0x8000..0x94FF,
// whose offset does not fit 16 bits, else fault::kNone.
int Fwaddress(FirmwareImage& image, int hiIndex, int loIndex);

}  // namespace mv4700
