#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "fileaction/chooser_mode.h"
#include "seams/dialogs.h"

namespace mv4700 {

// The actions behind a confirmed file, each given the file's full path.
struct FileActionHandlers {
  std::function<void(const QString& filePath)> load;      // code 2
  std::function<void(const QString& filePath)> save;      // code 4
  std::function<void(const QString& filePath)> firmware;  // code 6
};

// The pending file action, and the one place that decides when it runs.
//
// 1. A file menu command records a waiting code (1, 3, 5): `await`.
// 2. Confirming a file in the chooser turns it into the confirmed code (2, 4,
//    6) and remembers that this confirmation has not run yet: `confirm`.
// 3. Every activation of the main window calls `onMainWindowActivated`; the
//    chooser also queues one call, for a window manager that does not hand the
//    activation over. The first call after a confirmation runs its action and
//    uses the confirmation up; every other call does nothing.
//
// So each confirmation runs exactly once, and the main window coming back from
// a message box (the action's own ones included), a menu or another program
// runs nothing. The code itself keeps its value after the run.
class FileActions {
 public:
  explicit FileActions(FileActionHandlers handlers) : handlers_(std::move(handlers)) {}

  std::int16_t fileAction() const { return fileAction_; }
  const QString& filePath() const { return filePath_; }

  // A file menu command: the chooser is shown and waits in `mode`.
  void await(ChooserMode mode);

  // The chooser's confirm button with the file list's directory and the name
  // box. An empty name is refused with a box and changes nothing; returns
  // whether the chooser may close.
  bool confirm(const QString& directory, const QString& name, Dialogs& dialogs);

  // The dispatch: runs the confirmed action once; otherwise does nothing.
  void onMainWindowActivated();

 private:
  FileActionHandlers handlers_;
  std::int16_t fileAction_ = 0;
  QString filePath_;
  bool confirmedNotRun_ = false;
};

}  // namespace mv4700
