#pragma once

#include <QStringList>

#include "fileaction/file_actions.h"

namespace mv4700::testing {

// Stand-in file actions that note each run as "load <path>", "save <path>" or
// "firmware <path>".
struct RecordedRuns {
  QStringList runs;
  FileActionHandlers handlers() {
    auto note = [this](const char* what) {
      return [this, what](const QString& path) { runs << QLatin1String(what) + u' ' + path; };
    };
    return {note("load"), note("save"), note("firmware")};
  }
};

}  // namespace mv4700::testing
