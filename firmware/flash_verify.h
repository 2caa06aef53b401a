#pragma once

#include <QString>

namespace mv4700 {

struct DeviceSession;

// What a reader said after its update.
struct FlashVerdict {
  enum class Kind { Verified, Mismatch, NotBack };
  Kind kind = Kind::NotBack;
  QString reported;  // the version text the reader gave, when it came back
};

// After an update: waits up to `seconds` for the reader to answer again on
// the session's link and device (at any speed: its program may run at
// another than its loader's), asleep between tries, then compares the
// version text it reports with `expected`, the image's. Prints nothing: the
// front end says what came of it.
FlashVerdict awaitFlashedVersion(DeviceSession& session, const QString& expected, double seconds);

}  // namespace mv4700
