#include "fileaction/drives.h"

#include <QDir>
#include <QStorageInfo>

namespace mv4700 {

QStringList driveRoots() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath())) {
      roots.append(volume.rootPath());
    }
  }
  const QString top = QDir::rootPath();
  roots.removeAll(top);
  roots.prepend(top);
  return roots;
}

QString driveOf(const QString& path) {
  const QStorageInfo volume(path);
  return volume.isValid() ? volume.rootPath() : QDir::rootPath();
}

QString currentDirectoryOf(const QString& driveRoot) {
  const QString current = QDir::currentPath();
  if (!current.isEmpty() && driveOf(current) == driveRoot) return current;
  return driveRoot;
}

}  // namespace mv4700
