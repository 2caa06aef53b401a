#include "firmware/firmware_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace mv4700 {

namespace {

// The byte count must fit a signed 16-bit number.
constexpr qint64 kLongestImage = std::numeric_limits<std::int16_t>::max();

int missingFileFailure(const QFileInfo& info) {
  return info.dir().exists() ? fault::kFileNotFound : fault::kPathNotFound;
}

}  // namespace

FirmwareFileLoad loadFirmwareFile(FirmwareImage& image, const QString& path) {
  if (path.isEmpty()) return {fault::kFileNotFound, fault::kNone};
  const QFileInfo info(path);
  if (!info.exists()) return {missingFileFailure(info), fault::kNone};
  // Opening a FIFO would block until a writer appears; devices never end.
  if (!info.isFile()) return {fault::kFileAccess, fault::kNone};

  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {fault::kFileAccess, fault::kNone};

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
