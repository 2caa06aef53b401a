#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace mv4700 {

// The version text a USB version reply carries: the bytes above 31 from byte
// 4 on (report ids and control bytes dropped), up to the bytes returned, and
// no further than the reader's length byte (byte 3) names, so that padding
// after the text is not taken for part of it.
QString usbVersionText(const std::array<std::uint8_t, 81>& reply, std::uint32_t bytesReturned);

}  // namespace mv4700
