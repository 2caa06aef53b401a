#include "link/usb_arrivals.h"

#include "link/usb_link.h"

namespace mv4700 {

std::optional<QString> UsbArrivals::look() {
  const std::uint32_t count = usb_.readerCount();
  QStringList places;
  for (std::uint32_t index = 0; index < count; ++index) places << usb_.library().locationAt(index);
  if (!thereAllAlong_) {
    thereAllAlong_ = places;
    return std::nullopt;
  }
  // Each reader still there takes up one entry; entries left over have gone,
  // so whatever shows at their place from now on is new.
  QStringList stillThere;
  std::optional<QString> arrived;
  for (const QString& place : places) {
    if (thereAllAlong_->removeOne(place))
      stillThere << place;
    else if (!arrived)
      arrived = place;
  }
  thereAllAlong_ = stillThere;
  return arrived;
}

}  // namespace mv4700
