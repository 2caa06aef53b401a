#pragma once

#include "cli/arguments.h"
#include "cli/devices.h"
#include "cli/io.h"
#include "seams/outcome.h"

namespace mv4700 {
struct DeviceSession;
}

namespace mv4700::cli {

class Output;
class StreamStatusBox;
class TerminalDialogs;

// Everything one command's run works with.
struct RunContext {
  const Invocation& invocation;
  Devices& devices;
  const Io& io;
  DeviceSession& session;
  StreamStatusBox& status;
  TerminalDialogs& dialogs;
  Output& output;
  int readerNumber = 0;  // under --watch and --all: numbers read -o's files

  // The exit status of a command, or of a file step, that ended with
  // `outcome`: the one map from outcomes to exit statuses.
  int exitStatus(Outcome outcome) const;
  // The outcome exitStatus() was last asked about: tells "declined" from
  // "done" under --watch.
  mutable Outcome lastOutcome = Outcome::Done;
};

// read -o under --watch and --all: the highest number N of a file "STEM-N.SUFFIX"
// already beside `path` ("bench.mvs"); 0 when there is none. Numbering goes on
// after it, so no file is overwritten.
int highestNumberedFile(const QString& path);
// read -o's file for reader N under --watch and --all ("bench.mvs" becomes
// "bench-001.mvs"); the path itself for 0, a single reader.
QString numberedPath(const QString& path, int readerNumber);

int runList(RunContext& run);
int runRead(RunContext& run);
int runWrite(RunContext& run);
int runReset(RunContext& run);
int runVersion(RunContext& run);
int runFlash(RunContext& run);
int runTest(RunContext& run);

}  // namespace mv4700::cli
