#pragma once

#include <QWidget>

#include "chooser/directory_list.h"
#include "chooser/drive_list.h"
#include "chooser/file_list.h"
#include "fileaction/chooser_mode.h"
#include "seams/dialogs.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWindow;

namespace mv4700 {

// The chooser, "4700 File Manager": a window of its own that goes with its
// main window, and is deleted when the user closes it with its close box.
// Command1 only signals; what a confirmation does is up to its owner.
class Form2 : public QWidget {
  Q_OBJECT
 public:
  explicit Form2(Dialogs& dialogs, QWidget* mainWindow = nullptr);

  // Pattern, captions and the name box's read-only state of `mode`.
  void applyMode(ChooserMode mode);

  // What becoming the active window does: the drives, the current directory
  // of the drive shown and its files are read again.
  void rereadLists();

  DriveList* const Drive1;
  DirectoryList* const Dir1;
  FileList* const File1;
  QLabel* const Label1;
  QLineEdit* const Text1;
  QPushButton* const Command1;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void driveChosen();
  void directoryChosen(const QString& path);
  void reportAndFallBack(const QString& failure);
  void focusMoved(QWindow* now);

  Dialogs& dialogs_;
  // The chooser was the last of the program's plain windows to be active.
  bool wasLastActive_ = false;
};

}  // namespace mv4700
