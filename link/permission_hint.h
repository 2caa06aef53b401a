#pragma once

#include <QString>

namespace mv4700 {

// The line that follows a failed search when the reader was there but the
// system refused to open it: without it the operator only sees "not found".
QString hidPermissionHint(const QString& devicePath);
QString serialPermissionHint(const QString& devicePath);

}  // namespace mv4700
