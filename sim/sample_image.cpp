#include "sim/sample_image.h"

#include "sim/image_receiver.h"

namespace mv4700 {

namespace {

constexpr int kMarkerOffset = 0x30;
constexpr int kVersionOffset = 0x40;
const QByteArray kMarker = "4700IV";

void putAddress(QByteArray& image, int at, int offset) {
  const int address = kImageBase + offset;
  image[at] = static_cast<char>(address >> 8);
  image[at + 1] = static_cast<char>(address & 0xFF);
}

}  // namespace

int sampleImageMinimumLength(const QByteArray& version) {
  return kVersionOffset + int(version.size()) + 1;
}

QByteArray makeSampleImage(int length, const QByteArray& version) {
  if (length < sampleImageMinimumLength(version) || length > ImageReceiver::kMaxLength ||
      version.contains('\0'))
    return {};
  QByteArray image(length, '\0');
  for (int i = 0; i < length; ++i) image[i] = static_cast<char>((i * 37 + 11) & 0xFF);
  putAddress(image, 28, kVersionOffset);
  putAddress(image, 36, kMarkerOffset);
  image.replace(kMarkerOffset, kMarker.size(), kMarker);
  image.replace(kVersionOffset, version.size() + 1, version + '\0');
  return image;
}

}  // namespace mv4700
