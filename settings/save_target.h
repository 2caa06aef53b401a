#pragma once

#include <QString>

#include "seams/dialogs.h"
#include "seams/outcome.h"

namespace mv4700 {

// Why a settings file could not be saved at `path`, asked before anything is
// read from a reader: fault::kNone, 53 (no name), 76 (its folder does not
// exist) or 75 (the folder, or the file there, refuses writing, or the path
// is a folder).
int saveTargetFault(const QString& path);

// saveTargetFault() as the save reports it: on a fault the save's error box,
// ending in the number, and FileProblem.
Outcome checkSaveTarget(const QString& path, Dialogs& dialogs);

}  // namespace mv4700
