#include "link/pseudo_terminals.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "link/com_slots.h"
#include "link/path_order.h"

namespace mv4700 {

namespace {

bool allDigits(const QString& name) {
  return !name.isEmpty() &&
         std::all_of(name.begin(), name.end(), [](QChar c) { return c.isDigit(); });
}

QString canonical(const QString& path) {
  const QString target = QFileInfo(path).canonicalFilePath();
  return target.isEmpty() ? path : target;
}

}  // namespace

QStringList unsearchedPseudoTerminals(const QStringList& own, const QString& folder) {
  QStringList skipped;
  for (const QString& path : own) skipped << canonical(path);
  // Slots named in MV4700_COM_PORTS are searched, pseudo-terminals too.
  const std::optional<QString> listed = listedComPorts();
  for (int slot = 1; listed && slot <= kComSlots; ++slot) {
    const QString path = comSlotPath(slot, listed, {});
    if (!path.isEmpty()) skipped << canonical(path);
  }

  QStringList found;
  const QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    const QString path = canonical(dir.filePath(name));
    if (allDigits(name) && !skipped.contains(path)) found << path;
  }
  std::sort(found.begin(), found.end(), numberedPathLess);
  return found;
}

QStringList ownTerminals() {
  QStringList terminals;
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (const char* name = ::ttyname(fd)) terminals << QString::fromLocal8Bit(name);
  }
  return terminals;
}

}  // namespace mv4700
