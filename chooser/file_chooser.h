#pragma once

#include <QObject>
#include <QPointer>

#include "chooser/form2.h"
#include "fileaction/chooser_mode.h"
#include "fileaction/file_actions.h"
#include "seams/dialogs.h"
#include "seams/status_box.h"

namespace mv4700 {

// What the three file menu commands call. It shows the chooser in a mode,
// records the waiting code, and on confirmation hands the main window the
// action to run. The references must outlive it.
class FileChooser : public QObject {
  Q_OBJECT
 public:
  FileChooser(FileActions& actions, StatusBox& status, Dialogs& dialogs);

  // The menu command: clears the status box, creates the chooser on first use
  // (and after its close box), sets `mode`, places it over `mainWindow` and
  // shows it, not modal.
  void showFor(ChooserMode mode, QWidget* mainWindow);

  // Command1: a confirmed file hides the chooser and activates the main
  // window; FileActions decides which activation runs the action.
  void confirm();

  // The chooser while it exists.
  Form2* form() const { return form_; }

 private:
  FileActions& actions_;
  StatusBox& status_;
  Dialogs& dialogs_;
  QPointer<Form2> form_;
  QPointer<QWidget> mainWindow_;
};

}  // namespace mv4700
