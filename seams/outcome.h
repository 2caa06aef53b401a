#pragma once

namespace mv4700 {

// How a device command or a file step ended, for a front end that must tell
// its caller; the status lines and boxes already say it to the operator.
enum class Outcome {
  Done,      // the reader did what was asked
  NoReader,  // neither search found a reader
  Failed,    // the reader failed, or answered wrongly
  Refused,      // the input (a field, a file's content) was refused; nothing was sent
  FileProblem,  // a file could not be opened, read or written; nothing was sent
  Declined,  // the operator did not confirm; nothing was sent
};

// The outcome of a command that searched: `found` a reader, which `done` it.
inline Outcome searchedOutcome(bool found, bool done) {
  return !found ? Outcome::NoReader : done ? Outcome::Done : Outcome::Failed;
}

}  // namespace mv4700
