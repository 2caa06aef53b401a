#pragma once

#include <QString>
#include <cstdint>

#include "seams/outcome.h"

namespace mv4700 {

// How one reader's command ended.
struct BenchEnd {
  Outcome outcome = Outcome::Failed;
  int exitStatus = 0;
  double seconds = 0;
};

// What the bench engine tells its front end about each reader, numbered as
// the readers were given. The calls come from the readers' own threads, at
// once for different readers; the front end serializes what it shows.
class BenchReport {
 public:
  virtual ~BenchReport() = default;
  virtual void started(int reader) = 0;
  // One whole status line, as the reader's own status box would show it.
  virtual void statusLine(int reader, const QString& line) = 0;
  virtual void progress(int reader, std::int64_t done, std::int64_t total) = 0;
  virtual void ended(int reader, const BenchEnd& end) = 0;
};

}  // namespace mv4700
