#pragma once

#include "seams/outcome.h"

namespace mv4700::cli {

// The exit statuses that scripts rely on; --help and the manual list them.
namespace exit_status {
inline constexpr int kDone = 0;
inline constexpr int kNoReader = 1;
inline constexpr int kReaderFailed = 2;   // also: verify found a difference
inline constexpr int kFileProblem = 3;    // a file could not be read or written, or was refused
inline constexpr int kUsage = 64;         // also: a question that cannot be asked
inline constexpr int kInterrupted = 130;  // Ctrl+C at a question, or a stopped transfer
}  // namespace exit_status

// A declined question ends as done: the operator chose that nothing be sent.
// RunContext::exitStatus tells a question that could not be asked, or was
// answered by Ctrl+C, from the operator's "no".
inline int exitStatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done:
    case Outcome::Declined:
      return exit_status::kDone;
    case Outcome::NoReader:
      return exit_status::kNoReader;
    case Outcome::Failed:
      return exit_status::kReaderFailed;
    case Outcome::Refused:
    case Outcome::FileProblem:
      return exit_status::kFileProblem;
  }
  return exit_status::kReaderFailed;
}

}  // namespace mv4700::cli
