#include "firmware/firmware_file.h"

#include <QFile>
#include <algorithm>
#include <limits>

#include "settings/open_for_reading.h"

namespace mv4700 {

namespace {

// The byte count must fit a signed 16-bit number.
constexpr qint64 kLongestImage = std::numeric_limits<std::int16_t>::max();

}  // namespace

FirmwareFileLoad loadFirmwareFile(FirmwareImage& image, const QString& path) {
  QFile file;
  if (const int failure = openForReading(file, path)) return {failure, fault::kNone};

  const qint64 size = file.size();
  image.fwLength =
      static_cast<std::int32_t>(std::min<qint64>(size, std::numeric_limits<std::int32_t>::max()));
  if (size > kLongestImage) return {fault::kNone, fault::kOverflow};

  // Whatever an earlier file left in the buffer must read as 0.
  image.fwImage.fill(0);
  if (file.read(reinterpret_cast<char*>(image.fwImage.data()), size) < 0)
    return {fault::kNone, fault::kFileAccess};
  return {};
}

}  // namespace mv4700
