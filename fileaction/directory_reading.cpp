#include "fileaction/directory_reading.h"

#include <QDir>
#include <QFileInfo>

namespace mv4700 {

namespace {
constexpr QDir::SortFlags kByName = QDir::Name | QDir::IgnoreCase;
}

std::optional<QString> directoryFailure(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists() || !info.isDir()) return QStringLiteral("Path not found");
  if (!info.isReadable() || !info.isExecutable()) return QStringLiteral("Path/File access error");
  return std::nullopt;
}

QStringList subdirectoryNames(const QString& path) {
  return QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, kByName);
}

QStringList matchingFileNames(const QString& path, const QString& pattern) {
  return QDir(path).entryList({pattern}, QDir::Files, kByName);
}

}  // namespace mv4700
