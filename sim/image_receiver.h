#pragma once

#include <QByteArray>
#include <cstdint>

namespace mv4700 {

// The loader's receiving end: collects the bytes of a new program and refuses
// what cannot belong to it.
class ImageReceiver {
 public:
  static constexpr int kMaxLength = 32767;  // program memory above the image base
  static constexpr int kUsbBlock = 6;

  // Over RS232 no length is announced; the end frame closes the image.
  void beginUnannounced();
  // Over USB the length comes first. Blocks of six bytes follow; the host may
  // pad past the end with zeros up to the next block boundary plus one block.
  // False when the length cannot be a program.
  bool beginAnnounced(int length);

  // False when the byte is refused: past the program memory, or a non-zero or
  // surplus byte past the announced length.
  bool append(std::uint8_t byte);
  bool complete() const { return announced_ >= 0 && image_.size() >= announced_; }
  int received() const { return received_; }
  int announced() const { return announced_; }
  const QByteArray& image() const { return image_; }

 private:
  QByteArray image_;
  int announced_ = -1;
  int received_ = 0;
};

// The version text of a program image: the device address at offsets 28/29
// (high byte first, image base 0x1500) locates it; it ends at a 0 byte or at
// the image end. Empty when the address lies outside the image.
QByteArray imageVersionText(const QByteArray& image);

inline constexpr int kImageBase = 0x1500;

}  // namespace mv4700
