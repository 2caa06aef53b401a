#pragma once

#include <QString>

class QFile;

namespace mv4700 {

// Failure numbers shown after the file messages (0 = none).
namespace fault {
inline constexpr int kNone = 0;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileAccess = 75;  // path or file access error
inline constexpr int kPathNotFound = 76;
}  // namespace fault

// Opens a file the operator chose, to read it whole; returns fault::kNone or
// why it cannot be read: 53 (no such file, or no name), 76 (no such folder),
// or 75 (anything else). Only regular files are opened: a FIFO would block
// until a writer comes, and a device or a directory has no end to read to.
int openForReading(QFile& file, const QString& path);

}  // namespace mv4700
