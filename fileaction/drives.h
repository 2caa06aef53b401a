#pragma once

#include <QString>
#include <QStringList>

namespace mv4700 {

// Drives on a system without drive letters are the mounted volumes: the root
// paths of those that are ready, "/" first.
QStringList driveRoots();

// The root of the volume that holds `path` ("/" when it cannot be told).
QString driveOf(const QString& path);

// A drive's current directory: the program's current directory when it lies
// on that drive, else the drive's root.
QString currentDirectoryOf(const QString& driveRoot);

}  // namespace mv4700
