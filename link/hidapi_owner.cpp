#include "link/hidapi_owner.h"

#include <hidapi.h>

namespace mv4700 {

HidapiOwner& HidapiOwner::instance() {
  // Built on first use (thread-safe), destroyed at process exit.
  static HidapiOwner owner;
  return owner;
}

HidapiOwner::HidapiOwner() : initialised_(hid_init() == 0) {}

HidapiOwner::~HidapiOwner() {
  if (initialised_) hid_exit();
}

std::vector<HidapiOwner::Interface> HidapiOwner::enumerate(std::uint16_t vid, std::uint16_t pid) {
  std::vector<Interface> found;
  if (!initialised_) return found;
  const std::lock_guard lock(mutex_);
  hid_device_info* list = hid_enumerate(vid, pid);
  for (const hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path != nullptr)
      found.push_back({QString::fromLocal8Bit(info->path), info->usage_page, info->usage});
  }
  hid_free_enumeration(list);
  return found;
}

hid_device* HidapiOwner::open(const QString& path) {
  if (!initialised_) return nullptr;
  const std::lock_guard lock(mutex_);
  return hid_open_path(path.toLocal8Bit().constData());
}

void HidapiOwner::close(hid_device* device) {
  if (device == nullptr) return;
  const std::lock_guard lock(mutex_);
  hid_close(device);
}

}  // namespace mv4700
