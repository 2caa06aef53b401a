#include "fileaction/chosen_path.h"

#include <QDir>

namespace mv4700 {

QString joinDirectoryAndName(const QString& directory, const QString& name) {
  const QChar separator = QDir::separator();
  if (directory.endsWith(separator) || directory.endsWith(u'/')) return directory + name;
  return directory + separator + name;
}

QString withSettingsSuffix(const QString& path) {
  static const QString suffix = QStringLiteral(".mvs");
  return path.endsWith(suffix, Qt::CaseSensitive) ? path : path + suffix;
}

}  // namespace mv4700
