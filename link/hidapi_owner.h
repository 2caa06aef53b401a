#pragma once

#include <QString>
#include <cstdint>
#include <mutex>
#include <vector>

struct hid_device_;

namespace mv4700 {

// The one owner of hidapi's process-wide state. hidapi keeps a global error
// string that hid_init, hid_enumerate, hid_open_path and hid_exit free and
// reallocate, so those calls go through here, one at a time, from any thread.
// hid_init runs once, at the first use; hid_exit at the end of the process.
// Reads and writes on an open device do not come here: each handle has one
// user at a time, and different handles run in parallel.
class HidapiOwner {
 public:
  struct Interface {
    QString path;  // the hidraw node
    unsigned short usagePage = 0;
    unsigned short usage = 0;
  };

  static HidapiOwner& instance();

  bool ready() const { return initialised_; }
  std::vector<Interface> enumerate(std::uint16_t vid, std::uint16_t pid);
  hid_device_* open(const QString& path);
  void close(hid_device_* device);

  HidapiOwner(const HidapiOwner&) = delete;
  HidapiOwner& operator=(const HidapiOwner&) = delete;

 private:
  HidapiOwner();
  ~HidapiOwner();

  std::mutex mutex_;
  bool initialised_ = false;
};

}  // namespace mv4700
