#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>

namespace mv4700 {

// The reader's own copy of its 31 output-settings bytes, laid out as they
// travel after the five header bytes of the settings image.
class ReaderSettings {
 public:
  static constexpr int kSize = 31;
  static constexpr int kTextSize = 7;

  // Byte offsets inside the store.
  enum Offset : int {
    kBaud = 0,
    kPs2Lock = 1,
    kDelimiter = 2,
    kStart = 3,
    kCount = 4,
    kPrefixLength = 5,
    kPostfixLength = 13,
    kOnRemoveLength = 21,
    kBuzzer = 29,
    kCapsLock = 30,
  };

  ReaderSettings();  // factory defaults

  std::array<std::uint8_t, kSize>& bytes() { return bytes_; }
  const std::array<std::uint8_t, kSize>& bytes() const { return bytes_; }
  QByteArray toByteArray() const;

  std::uint8_t at(Offset offset) const { return bytes_[offset]; }
  void set(Offset offset, std::uint8_t value) { bytes_[offset] = value; }

  // A text as the firmware uses it: its length byte, clipped to the seven slots.
  QByteArray text(Offset lengthOffset) const;
  // Stores `text` (cut to seven bytes) with its length, padded with blanks.
  void setText(Offset lengthOffset, const QByteArray& text);

  // Line speed of a baud code, or 0 for a code the firmware does not know.
  static int baudOfCode(std::uint8_t code);
  // Baud code of a line speed, or -1 for a speed the firmware cannot run.
  static int codeOfBaud(int baud);

 private:
  std::array<std::uint8_t, kSize> bytes_{};
};

}  // namespace mv4700
