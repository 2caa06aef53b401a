#include "sim/image_receiver.h"

namespace mv4700 {

void ImageReceiver::beginUnannounced() {
  image_.clear();
  announced_ = -1;
  received_ = 0;
}

bool ImageReceiver::beginAnnounced(int length) {
  beginUnannounced();
  if (length < 1 || length > kMaxLength) return false;
  announced_ = length;
  return true;
}

bool ImageReceiver::append(std::uint8_t byte) {
  if (announced_ < 0) {
    if (received_ >= kMaxLength) return false;
  } else if (received_ >= announced_) {
    const int padEnd = (announced_ / kUsbBlock + 2) * kUsbBlock;
    if (byte != 0 || received_ >= padEnd) return false;
    ++received_;
    return true;
  }
  image_.append(static_cast<char>(byte));
  ++received_;
  return true;
}

QByteArray imageVersionText(const QByteArray& image) {
  if (image.size() < 30) return {};
  const int address =
      (static_cast<std::uint8_t>(image[28]) << 8) | static_cast<std::uint8_t>(image[29]);
  const int offset = address - kImageBase;
  if (offset < 0 || offset >= image.size()) return {};
  const qsizetype end = image.indexOf('\0', offset);
  return image.mid(offset, (end < 0 ? image.size() : end) - offset);
}

}  // namespace mv4700
