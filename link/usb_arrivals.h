#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mv4700 {

class UsbLink;

// Tells a reader that comes onto the bus from one that was there all along,
// by the port each enumerated reader is plugged into (all readers share one
// empty place when the library cannot tell). What the first look finds was
// there all along; a place counts as an arrival once it has been seen empty.
// Only enumerates: nothing is opened or sent.
class UsbArrivals {
 public:
  explicit UsbArrivals(UsbLink& usb) : usb_(usb) {}

  // Enumerates the readers; the place of one that arrived since the first
  // look and is still there, if any.
  std::optional<QString> look();

 private:
  UsbLink& usb_;
  std::optional<QStringList> thereAllAlong_;  // one entry per reader not yet gone
};

}  // namespace mv4700
