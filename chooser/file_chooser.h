#pragma once

#include <QObject>
#include <QPointer>

#include "app/dialogs.h"
#include "app/status_box.h"
#include "chooser/chooser_mode.h"
#include "chooser/file_actions.h"
#include "chooser/form2.h"

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
  // window, whose activation runs the action. The run is also queued, for a
  // window manager that does not hand over the activation; it happens once.
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
