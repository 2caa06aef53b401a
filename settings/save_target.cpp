#include "settings/save_target.h"

#include <QDir>
#include <QFileInfo>

#include "seams/number_text.h"
#include "settings/open_for_reading.h"

namespace mv4700 {

int saveTargetFault(const QString& path) {
  if (path.isEmpty()) return fault::kFileNotFound;
  const QFileInfo info(path);
  const QFileInfo folder(info.absolutePath());
  if (!folder.isDir()) return fault::kPathNotFound;
  // The save writes a new file beside the old one and renames it over.
  if (!folder.isWritable()) return fault::kFileAccess;
  if (info.exists() && (!info.isFile() || !info.isWritable())) return fault::kFileAccess;
  return fault::kNone;
}

Outcome checkSaveTarget(const QString& path, Dialogs& dialogs) {
  const int fault = saveTargetFault(path);
  if (fault == fault::kNone) return Outcome::Done;
  dialogs.show(Dialogs::Icon::Critical, Dialogs::Buttons::Ok, QStringLiteral("Error"),
               QStringLiteral("Save settings to file ") + path + QStringLiteral(" Error!!") +
                   signedNumberText(fault));
  return Outcome::FileProblem;
}

}  // namespace mv4700
