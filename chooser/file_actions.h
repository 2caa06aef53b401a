#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "app/dialogs.h"
#include "chooser/chooser_mode.h"

namespace mv4700 {

// The actions behind a confirmed file, each given the file's full path.
struct FileActionHandlers {
  std::function<void(const QString& filePath)> load;      // code 2
  std::function<void(const QString& filePath)> save;      // code 4
  std::function<void(const QString& filePath)> firmware;  // code 6
};

// The pending file action. A file menu command records a waiting code (1, 3,
// 5), confirming a file in the chooser turns it into the confirmed code (2, 4,
// 6), and the main window's activation runs the confirmed action.
//
// The code keeps its value after the action ran, but the main window is
// activated far more often than once per confirmation (after every message
// box, when the user comes back from another program), so a confirmation is
// remembered beside the code and used up by the one run it allows.
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
