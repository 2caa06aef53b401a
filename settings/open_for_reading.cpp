#include "settings/open_for_reading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mv4700 {

int openForReading(QFile& file, const QString& path) {
  if (path.isEmpty()) return fault::kFileNotFound;
  const QFileInfo info(path);
  if (!info.exists()) return info.dir().exists() ? fault::kFileNotFound : fault::kPathNotFound;
  if (!info.isFile()) return fault::kFileAccess;
  file.setFileName(path);
  return file.open(QIODevice::ReadOnly) ? fault::kNone : fault::kFileAccess;
}

}  // namespace mv4700
