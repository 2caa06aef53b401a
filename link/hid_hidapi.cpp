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

#include "link/path_order.h"

namespace mv4700 {

std::string hidapiVersion() {
  return hid_version_str();
}

namespace {

constexpr std::uint8_t kOk = 0;
constexpr std::uint8_t kFailed = 1;
constexpr std::uint8_t kShortRead = 2;
constexpr std::uint8_t kReadError = 3;
constexpr auto kReadTimeout = std::chrono::seconds(1);

// The lengths the device declares in its report descriptor, read from the
// hidraw node; zero lengths when it cannot be read.
ReportLengths hidrawReportLengths(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

bool accessRefused(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return false;
  }
  return errno == EACCES || errno == EPERM;
}

// hidraw node paths sort by number, not by text ("hidraw10" after "hidraw9").
bool byNodeNumber(const std::string& a, const std::string& b) {
  return numberedPathLess(QString::fromStdString(a), QString::fromStdString(b));
}

// Generic desktop keyboard, keypad or mouse.
bool isKeyboardOrMouse(unsigned short usagePage, unsigned short usage) {
  return usagePage == 0x01 && (usage == 0x02 || usage == 0x06 || usage == 0x07);
}

}  // namespace

HidapiLibrary::HidapiLibrary() : initialised_(hid_init() == 0) {}

HidapiLibrary::~HidapiLibrary() {
  for (auto& [handle, device] : open_) hid_close(device.handle);
  if (initialised_) hid_exit();
}

std::vector<HidapiLibrary::Interface> HidapiLibrary::matchingInterfaces(std::uint16_t vid,
                                                                        std::uint16_t pid) const {
  std::vector<Interface> found;
  if (!initialised_) return found;
  hid_device_info* list = hid_enumerate(vid, pid);
  for (const hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path == nullptr) continue;
    if (!onlyPath_.empty() && onlyPath_ != info->path) continue;
    // One node may list several top-level collections.
    auto it = std::find_if(found.begin(), found.end(),
                           [&](const Interface& i) { return i.path == info->path; });
    if (it == found.end()) it = found.insert(found.end(), Interface{info->path});
    it->keyboardOrMouse |= isKeyboardOrMouse(info->usage_page, info->usage);
  }
  hid_free_enumeration(list);
  std::sort(found.begin(), found.end(),
            [](const Interface& a, const Interface& b) { return byNodeNumber(a.path, b.path); });
  return found;
}

std::uint32_t HidapiLibrary::GetNumHidDevices(std::uint16_t vid, std::uint16_t pid) {
  denied_.clear();
  return static_cast<std::uint32_t>(matchingInterfaces(vid, pid).size());
}

std::uint8_t HidapiLibrary::Open(HidHandle& device, std::uint32_t index, std::uint16_t vid,
                                 std::uint16_t pid, std::uint32_t /*numInputBuffers*/) {
  device = 0;
  const std::vector<Interface> interfaces = matchingInterfaces(vid, pid);
  if (index >= interfaces.size()) return kFailed;
  // The reader's keyboard interface belongs to the system, as it does on the
  // maker's platform, where opening it fails and the search takes the next one.
  if (interfaces[index].keyboardOrMouse) return kFailed;
  const std::string& path = interfaces[index].path;
  hid_device* handle = hid_open_path(path.c_str());
  if (handle == nullptr) {
    if (accessRefused(path)) denied_ = QString::fromStdString(path);
    return kFailed;
  }
  device = nextHandle_++;
  open_[device] = OpenDevice{handle, hidrawReportLengths(path), path};
  return kOk;
}

QString HidapiLibrary::devicePath(HidHandle device) const {
  const auto it = open_.find(device);
  return it == open_.end() ? QString() : QString::fromStdString(it->second.path);
}

HidapiLibrary::OpenDevice* HidapiLibrary::find(HidHandle device) {
  const auto it = open_.find(device);
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

  using Steady = std::chrono::steady_clock;
  const Steady::time_point deadline = Steady::now() + kReadTimeout;
  std::uint32_t received = 0;
  std::uint8_t status = kOk;
  while (received < wanted) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Steady::now());
    if (left.count() <= 0) break;
    std::array<std::uint8_t, 64> data{};
    // hidapi hands over an unnumbered report without its id byte.
    const int n =
        hid_read_timeout(open->handle, data.data(), data.size(), static_cast<int>(left.count()));
    if (n < 0) status = kReadError;
    if (n <= 0) break;
    std::uint8_t* report = buffer + kReportLength * received;
    report[0] = 0;
    std::fill_n(report + 1, kReportLength - 1, 0);
    std::copy_n(data.begin(), std::min(n, kReportLength - 1), report + 1);
    ++received;
  }
  bytesReturned = kReportLength * received;
  if (status == kOk && received < numReports) status = kShortRead;
  return status;
}

std::uint8_t HidapiLibrary::Close(HidHandle device) {
  OpenDevice* open = find(device);
  if (open == nullptr) return kFailed;
  hid_close(open->handle);
  open_.erase(device);
  return kOk;
}

}  // namespace mv4700
