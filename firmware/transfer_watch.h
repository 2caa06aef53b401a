#pragma once

#include <cstdint>

namespace mv4700 {

// Lets a front end follow a firmware transfer and stop it. The transfers ask
// before the erase and after every acknowledged data frame or block; a stop
// runs the same closing steps as a failure.
class TransferWatch {
 public:
  virtual ~TransferWatch() = default;
  virtual void progress(std::int64_t sent, std::int64_t total) = 0;
  virtual bool stopRequested() = 0;
};

}  // namespace mv4700
