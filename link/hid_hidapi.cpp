#include "link/hid_hidapi.h"

#include <fcntl.h>
#include <hidapi.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>

#include "link/hid_read_loop.h"
#include "link/hidapi_owner.h"
#include "link/path_order.h"
#include "link/usb_port_chain.h"

namespace mv4700 {

std::string hidapiVersion() {
  return hid_version_str();
}

namespace {

using hid_status::kFailed;
using hid_status::kOk;
using hid_status::kReadError;
using hid_status::kShortRead;
constexpr auto kReadTimeout = std::chrono::seconds(1);
constexpr int kMostReportsFlushed = 64;

// The lengths the device declares in its report descriptor, read from the
// hidraw node; zero lengths when it cannot be read.
ReportLengths hidrawReportLengths(const QString& path) {
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {};
  ReportLengths lengths;
  int size = 0;
  hidraw_report_descriptor descriptor{};
  if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
    descriptor.size = static_cast<__u32>(size);
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) == 0)
      lengths = parseReportLengths(descriptor.value, descriptor.size);
  }
  ::close(fd);
  return lengths;
}

bool accessRefused(const QString& path) {
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return false;
  }
  return errno == EACCES || errno == EPERM;
}

// The node stays while the device is plugged in; the kernel removes it on unplug.
bool nodeExists(const QString& path) {
  return ::access(path.toLocal8Bit().constData(), F_OK) == 0;
}

// Generic desktop keyboard, keypad or mouse.
bool isKeyboardOrMouse(unsigned short usagePage, unsigned short usage) {
  return usagePage == 0x01 && (usage == 0x02 || usage == 0x06 || usage == 0x07);
}

}  // namespace

HidapiLibrary::~HidapiLibrary() {
  for (auto& [handle, device] : open_) HidapiOwner::instance().close(device.handle);
}

void HidapiLibrary::setOnlyPath(const std::string& path) {
  const std::lock_guard lock(mutex_);
  filter_.onlyPath(QString::fromStdString(path));
}

std::vector<HidapiLibrary::Interface> HidapiLibrary::matchingInterfaces(std::uint16_t vid,
                                                                        std::uint16_t pid) {
  std::vector<Interface> found;
  for (const HidapiOwner::Interface& info : HidapiOwner::instance().enumerate(vid, pid)) {
    // One node may list several top-level collections.
    auto it = std::find_if(found.begin(), found.end(),
                           [&](const Interface& i) { return i.path == info.path; });
    if (it == found.end())
      it = found.insert(found.end(), Interface{info.path, usbPortChain(info.path)});
    it->keyboardOrMouse |= isKeyboardOrMouse(info.usagePage, info.usage);
  }
  const std::lock_guard lock(mutex_);
  for (const Interface& i : found) filter_.learn(i.path, i.location);
  std::erase_if(found, [this](const Interface& i) { return !filter_.admits(i.path, i.location); });
  // hidraw node paths sort by number, not by text ("hidraw10" after "hidraw9").
  std::sort(found.begin(), found.end(), [](const Interface& a, const Interface& b) {
    return numberedPathLess(a.path, b.path);
  });
  return found;
}

std::uint32_t HidapiLibrary::GetNumHidDevices(std::uint16_t vid, std::uint16_t pid) {
  std::vector<Interface> found = matchingInterfaces(vid, pid);
  const std::lock_guard lock(mutex_);
  denied_.clear();
  listed_ = std::move(found);
  return static_cast<std::uint32_t>(listed_.size());
}

QString HidapiLibrary::locationAt(std::uint32_t index) const {
  const std::lock_guard lock(mutex_);
  return index < listed_.size() ? listed_[index].location : QString();
}

std::uint8_t HidapiLibrary::Open(HidHandle& device, std::uint32_t index, std::uint16_t /*vid*/,
                                 std::uint16_t /*pid*/, std::uint32_t /*numInputBuffers*/) {
  device = 0;
  Interface identity;
  {
    // The index names a device of the last count; a fresh enumeration could
    // put another device at it once any reader re-enumerated.
    const std::lock_guard lock(mutex_);
    if (index >= listed_.size()) return kFailed;
    identity = listed_[index];
  }
  // The reader's keyboard interface belongs to the system, as it does on the
  // maker's platform, where opening it fails and the search takes the next one.
  if (identity.keyboardOrMouse) return kFailed;
  hid_device* handle = HidapiOwner::instance().open(identity.path);
  if (handle == nullptr) {
    if (accessRefused(identity.path)) {
      const std::lock_guard lock(mutex_);
      denied_ = identity.path;
    }
    return kFailed;
  }
  const ReportLengths lengths = hidrawReportLengths(identity.path);
  const std::lock_guard lock(mutex_);
  device = nextHandle_++;
  open_[device] = OpenDevice{handle, lengths, identity};
  return kOk;
}

QString HidapiLibrary::lastOpenDenied() const {
  const std::lock_guard lock(mutex_);
  return denied_;
}

QString HidapiLibrary::devicePath(HidHandle device) const {
  const std::lock_guard lock(mutex_);
  const auto it = open_.find(device);
  return it == open_.end() ? QString() : it->second.identity.path;
}

QString HidapiLibrary::deviceLocation(HidHandle device) const {
  const std::lock_guard lock(mutex_);
  const auto it = open_.find(device);
  return it == open_.end() ? QString() : it->second.identity.location;
}

HidapiLibrary::OpenDevice* HidapiLibrary::find(HidHandle device) {
  const std::lock_guard lock(mutex_);
  const auto it = open_.find(device);
  // std::map keeps its elements in place while others come and go.
  return it == open_.end() ? nullptr : &it->second;
}

std::uint16_t HidapiLibrary::GetInputReportBufferLength(HidHandle device) {
  const OpenDevice* open = find(device);
  return open == nullptr ? 0 : open->lengths.input;
}

std::uint16_t HidapiLibrary::GetOutputReportBufferLength(HidHandle device) {
  const OpenDevice* open = find(device);
  return open == nullptr ? 0 : open->lengths.output;
}

std::uint8_t HidapiLibrary::SetOutputReport_Interrupt(HidHandle device, const std::uint8_t* buffer,
                                                      std::uint32_t bufferSize) {
  OpenDevice* open = find(device);
  if (open == nullptr || buffer == nullptr || bufferSize == 0) return kFailed;
  // hidraw wants the whole report, id 0 first; a shorter buffer is padded with zeros.
  std::array<std::uint8_t, kReportLength> report{};
  std::copy_n(buffer + 1, std::min<std::uint32_t>(bufferSize, kReportLength) - 1,
              report.begin() + 1);
  return hid_write(open->handle, report.data(), report.size()) == kReportLength ? kOk : kFailed;
}

std::uint8_t HidapiLibrary::GetInputReport_Interrupt(HidHandle device, std::uint8_t* buffer,
                                                     std::uint32_t bufferSize,
                                                     std::uint32_t numReports,
                                                     std::uint32_t& bytesReturned) {
  bytesReturned = 0;
  OpenDevice* open = find(device);
  if (open == nullptr || buffer == nullptr) return kFailed;
  const std::uint32_t wanted = std::min(numReports, bufferSize / kReportLength);
  hid_device* handle = open->handle;
  const QString path = open->identity.path;
  // hidapi hands over an unnumbered report without its id byte, and gives up
  // its wait when a signal arrives; the loop waits on until the deadline.
  const ReadResult result =
      readReportsUntil([handle](std::uint8_t* data, std::size_t size,
                                int ms) { return hid_read_timeout(handle, data, size, ms); },
                       [&path] { return nodeExists(path); }, buffer, wanted,
                       std::chrono::steady_clock::now() + kReadTimeout);
  bytesReturned = kReportLength * result.received;
  if (result.deviceLost) return kReadError;
  return result.received < numReports ? kShortRead : kOk;
}

void HidapiLibrary::FlushBuffers(HidHandle device) {
  OpenDevice* open = find(device);
  if (open == nullptr) return;
  std::array<std::uint8_t, 64> data{};
  for (int i = 0; i < kMostReportsFlushed; ++i)
    if (hid_read_timeout(open->handle, data.data(), data.size(), 0) <= 0) break;
}

std::uint8_t HidapiLibrary::Close(HidHandle device) {
  hid_device* handle = nullptr;
  {
    const std::lock_guard lock(mutex_);
    const auto it = open_.find(device);
    if (it == open_.end()) return kFailed;
    handle = it->second.handle;
    open_.erase(it);
  }
  HidapiOwner::instance().close(handle);
  return kOk;
}

}  // namespace mv4700
