#pragma once

#include <QString>

namespace mv4700 {

// The full path of a file chosen in `directory`: a directory that already ends
// with the separator (a root) takes the name directly.
QString joinDirectoryAndName(const QString& directory, const QString& name);

// A settings file name as saved: ".mvs" is appended unless the path already
// ends with exactly ".mvs" (case counts).
QString withSettingsSuffix(const QString& path);

}  // namespace mv4700
