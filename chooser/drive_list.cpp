#include "chooser/drive_list.h"

#include <QSignalBlocker>

#include "fileaction/drives.h"

namespace mv4700 {

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  reread();
}

void DriveList::reread() {
  const QSignalBlocker quiet(this);
  const QString shown = drive();
  clear();
  addItems(driveRoots());
  const int kept = findText(shown);
  setCurrentIndex(kept >= 0 ? kept : 0);
}

QString DriveList::drive() const {
  return currentText();
}

void DriveList::showDriveOf(const QString& path) {
  const QSignalBlocker quiet(this);
  const QString root = driveOf(path);
  if (findText(root) < 0) addItem(root);
  setCurrentIndex(findText(root));
}

}  // namespace mv4700
