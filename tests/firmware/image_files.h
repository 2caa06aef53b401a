#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

namespace mv4700::testing {

// A firmware image of `length` bytes: address fields at 28 and 36, the marker
// and a NUL-terminated version text where they point, other bytes not zero.
struct ImageShape {
  int length = 200;
  int markerAddress = 0x1500 + 100;
  int versionAddress = 0x1500 + 120;
  QByteArray marker = "4700IV";
  QByteArray version = QByteArray("V2.07 2026", 11);  // with its 0 byte
};

inline void putAddress(QByteArray& image, int at, int address) {
  if (at < image.size()) image[at] = static_cast<char>(address >> 8 & 0xFF);
  if (at + 1 < image.size()) image[at + 1] = static_cast<char>(address & 0xFF);
}

inline void putBytes(QByteArray& image, int at, const QByteArray& bytes) {
  for (int i = 0; i < bytes.size() && at + i < image.size(); ++i)
    if (at + i >= 0) image[at + i] = bytes[i];
}

inline QByteArray makeImage(const ImageShape& shape) {
  QByteArray image(shape.length, '\0');
  for (int i = 0; i < shape.length; ++i) image[i] = static_cast<char>(0x80 | (i * 7 & 0x7F));
  putAddress(image, 28, shape.versionAddress);
  putAddress(image, 36, shape.markerAddress);
  putBytes(image, shape.markerAddress - 0x1500, shape.marker);
  putBytes(image, shape.versionAddress - 0x1500, shape.version);
  return image;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace mv4700::testing
