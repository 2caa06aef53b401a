#include "sim/serial_wire.h"

#include <algorithm>

namespace mv4700 {

void WireDirection::send(const QByteArray& bytes, int baud, double from) {
  const double step = paced_ ? byteSeconds(baud) : 0;
  double at = std::max(from, freeAt_);
  for (char byte : bytes) {
    bytes_.push_back({at, at + step, baud, byte});
    at += step;
  }
  freeAt_ = at;
}

WireByte WireDirection::pop() {
  WireByte byte = bytes_.front();
  bytes_.pop_front();
  return byte;
}

void WireDirection::clear() {
  bytes_.clear();
  freeAt_ = 0;
}

}  // namespace mv4700
