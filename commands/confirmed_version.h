#pragma once

#include "seams/outcome.h"

namespace mv4700 {

struct DeviceSession;

// The version read that a script may trust. The serial version reply carries
// no checksum, so a bit flipped on the line gives another text that looks as
// sound as the real one. The first read reports as the menu command does;
// quiet reads follow until one gives a text an earlier read gave (at most
// three reads in all). Done leaves that text in `replyText`, and prints it
// when it is not the first read's; a reader that gives no text twice ends
// Failed, with one status line, and no text.
Outcome readConfirmedVersion(DeviceSession& session);

}  // namespace mv4700
