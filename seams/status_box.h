#pragma once

#include <QString>
#include <cstdint>

namespace mv4700 {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kStatusTextColor{0, 64, 0};    // the box's normal dark green
inline constexpr Rgb kVersionTextColor{0, 0, 128};  // the version block's dark blue

// The status box, the tool's only log: a drawing surface with a print position
// measured in twips from the top-left corner of its inner area.
class StatusBox {
 public:
  virtual ~StatusBox() = default;

  virtual void clear() = 0;                              // erase; position to the top-left
  virtual void printLine(const QString& text = {}) = 0;  // draw, then break the line
  virtual void printOpen(const QString& text) = 0;       // draw and leave the line open
  void emptyLine() { printLine(); }
  virtual void refresh() = 0;     // redraw the box now, without the event loop
  virtual void refreshAll() = 0;  // redraw the box and the whole main window now
  virtual int printX() const = 0;
  virtual int printY() const = 0;
  virtual void setTextColor(Rgb color) = 0;
};

// A box that shows nothing: for searches whose lines nobody should see.
class SilentStatusBox final : public StatusBox {
 public:
  void clear() override {}
  void printLine(const QString&) override {}
  void printOpen(const QString&) override {}
  void refresh() override {}
  void refreshAll() override {}
  int printX() const override { return 0; }
  int printY() const override { return 0; }
  void setTextColor(Rgb) override {}
};

}  // namespace mv4700
