#pragma once

#include <QComboBox>

namespace mv4700 {

// Drive1: the drives, each shown by its root path. The user's choice arrives
// through QComboBox::activated; what the program selects does not signal.
class DriveList : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveList(QWidget* parent = nullptr);

  // Reads the drives again, keeping the drive shown while it is still there.
  void reread();
  // The root path of the drive shown.
  QString drive() const;
  // Shows the drive that holds `path`.
  void showDriveOf(const QString& path);
};

}  // namespace mv4700
