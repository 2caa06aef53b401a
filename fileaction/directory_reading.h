#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mv4700 {

// Why `path` cannot be listed ("Path not found", "Path/File access error"),
// or nothing when it can.
std::optional<QString> directoryFailure(const QString& path);

// The visible subdirectories of `path`, sorted by name.
QStringList subdirectoryNames(const QString& path);

// The visible files of `path` that match `pattern` (letter case ignored, as
// the file lists of the drive-letter systems do), sorted by name.
QStringList matchingFileNames(const QString& path, const QString& pattern);

}  // namespace mv4700
