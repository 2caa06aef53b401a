#include "commands/version_text.h"

#include <algorithm>

#include "link/hid_library.h"

namespace mv4700 {

QString usbVersionText(const std::array<std::uint8_t, 81>& reply, std::uint32_t bytesReturned) {
  const std::size_t end = std::min<std::size_t>(bytesReturned, reply.size());
  const int named = reply[3];
  QString text;
  int taken = 0;  // text bytes the length byte names, control bytes included
  for (std::size_t i = 4; i < end && taken < named; ++i) {
    if (i % kReportLength == 0) continue;  // each later report's id
    ++taken;
    if (reply[i] > 31) text += QChar(reply[i]);
  }
  return text;
}

}  // namespace mv4700
