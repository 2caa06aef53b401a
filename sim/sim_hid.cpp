#include "sim/sim_hid.h"

#include <algorithm>

namespace mv4700 {

namespace {

using hid_status::kFailed;
using hid_status::kOk;
using hid_status::kReadError;
using hid_status::kShortRead;

QString nodePath(int node) {
  return QStringLiteral("/dev/hidraw-sim%1").arg(node);
}

}  // namespace

ReaderModel& SimHidLibrary::addReader(const DeviceSetup& setup) {
  Device d{setup, std::make_unique<ReaderModel>(ReaderModel::Kind::New, clock_), {}, {}, {}, {}};
  if (d.setup.location.isEmpty())
    d.setup.location = QStringLiteral("1-%1").arg(devices_.size() + 1);
  d.node = nextNode_++;
  d.seenRestarts = d.reader->restarts();
  devices_.push_back(std::move(d));
  return *devices_.back().reader;
}

void SimHidLibrary::follow(Device& d) {
  const int restarts = d.reader->restarts();
  if (restarts == d.seenRestarts) return;
  d.seenRestarts = restarts;
  d.queued.clear();
  if (d.setup.newNodeOnRestart) d.node = nextNode_++;
}

QString SimHidLibrary::path(std::size_t index) {
  Device& d = devices_.at(index);
  d.reader->usbPresent();  // lets a reboot that is due happen
  follow(d);
  return nodePath(d.node);
}

std::vector<std::size_t> SimHidLibrary::present(std::uint16_t vid, std::uint16_t pid) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    Device& d = devices_[i];
    if (d.setup.vendorId != vid || d.setup.productId != pid || !d.reader->usbPresent()) continue;
    follow(d);
    filter_.learn(nodePath(d.node), d.setup.location);
    found.push_back(i);
  }
  // Enumerated in node order: a device that came back as a new node comes last.
  std::sort(found.begin(), found.end(),
            [this](std::size_t a, std::size_t b) { return devices_[a].node < devices_[b].node; });
  std::erase_if(found, [this](std::size_t i) {
    return !filter_.admits(nodePath(devices_[i].node), devices_[i].setup.location);
  });
  return found;
}

SimHidLibrary::OpenHandle* SimHidLibrary::find(HidHandle handle) {
  const auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : &it->second;
}

SimHidLibrary::OpenHandle* SimHidLibrary::live(HidHandle handle) {
  OpenHandle* open = find(handle);
  if (!open) return nullptr;
  Device& d = devices_[open->device];
  const bool present = d.reader->usbPresent();
  follow(d);
  return present && d.reader->restarts() == open->restarts ? open : nullptr;
}

QString SimHidLibrary::touch(std::size_t index) {
  ReaderModel& r = reader(index);
  return r.usbPresent() && r.mode() == ReaderModel::Mode::Program
             ? QString::fromLatin1(r.touchText())
             : QString();
}

QString SimHidLibrary::remove(std::size_t index) {
  ReaderModel& r = reader(index);
  return r.usbPresent() && r.mode() == ReaderModel::Mode::Program
             ? QString::fromLatin1(r.removeText())
             : QString();
}

std::uint32_t SimHidLibrary::GetNumHidDevices(std::uint16_t vid, std::uint16_t pid) {
  lastOpenDenied_.clear();
  listed_ = present(vid, pid);
  return static_cast<std::uint32_t>(listed_.size());
}

QString SimHidLibrary::locationAt(std::uint32_t index) const {
  return index < listed_.size() ? devices_[listed_[index]].setup.location : QString();
}

std::uint8_t SimHidLibrary::Open(HidHandle& device, std::uint32_t index, std::uint16_t vid,
                                 std::uint16_t pid, std::uint32_t) {
  device = 0;
  // Like the library, the index names a device of the last count, not of a new one.
  if (index >= listed_.size()) return kFailed;
  const std::size_t at = listed_[index];
  Device& d = devices_[at];
  if (d.setup.vendorId != vid || d.setup.productId != pid || !d.reader->usbPresent())
    return kFailed;
  follow(d);
  if (d.setup.openDenied) lastOpenDenied_ = nodePath(d.node);
  if (d.setup.openFails || d.setup.openDenied) return kFailed;
  if (!d.setup.keepQueuedReports) d.queued.clear();
  device = nextHandle_++;
  handles_[device] = {at, d.reader->restarts()};
  return kOk;
}

HidHandle SimHidLibrary::GetHandle(HidHandle device) {
  return find(device) ? device : 0;
}

QString SimHidLibrary::devicePath(HidHandle device) const {
  const auto it = handles_.find(device);
  return it == handles_.end() ? QString() : nodePath(devices_[it->second.device].node);
}

QString SimHidLibrary::deviceLocation(HidHandle device) const {
  const auto it = handles_.find(device);
  return it == handles_.end() ? QString() : devices_[it->second.device].setup.location;
}

std::uint16_t SimHidLibrary::GetInputReportBufferLength(HidHandle device) {
  const OpenHandle* open = live(device);
  return open ? devices_[open->device].setup.inputReportLength : 0;
}

std::uint16_t SimHidLibrary::GetOutputReportBufferLength(HidHandle device) {
  const OpenHandle* open = live(device);
  return open ? devices_[open->device].setup.outputReportLength : 0;
}

std::uint8_t SimHidLibrary::SetOutputReport_Interrupt(HidHandle device, const std::uint8_t* buffer,
                                                      std::uint32_t bufferSize) {
  OpenHandle* open = live(device);
  if (!open) return kFailed;
  Device& d = devices_[open->device];
  if (!buffer || bufferSize != d.setup.outputReportLength || bufferSize < kReportLength)
    return kFailed;
  if (++open->reportsSent == d.setup.refuseOutputReport) return kFailed;
  HidReport report;
  std::copy_n(buffer, kReportLength, report.begin());
  d.sent.push_back(report);
  const double readableAt = clock_.seconds() + d.setup.replyLatency;
  d.reader->receiveReport(report);
  while (const std::optional<HidReport> reply = d.reader->takeReport())
    d.queued.push_back({*reply, readableAt});
  return kOk;
}

std::uint8_t SimHidLibrary::GetInputReport_Interrupt(HidHandle device, std::uint8_t* buffer,
                                                     std::uint32_t bufferSize,
                                                     std::uint32_t numReports,
                                                     std::uint32_t& bytesReturned) {
  bytesReturned = 0;
  if (!live(device)) return find(device) ? kReadError : kFailed;
  if (!buffer || bufferSize < numReports * kReportLength) return kFailed;
  // Like the driver, the read sleeps until its reports are there, up to its
  // time-out in all; the reader only answers what it was sent, so nothing
  // else can arrive meanwhile.
  const double deadline = clock_.seconds() + kReadTimeoutSeconds;
  for (std::uint32_t i = 0; i < numReports; ++i) {
    for (;;) {
      OpenHandle* open = live(device);
      if (!open) return kReadError;  // unplugged or restarted while being read
      Device& d = devices_[open->device];
      const double now = clock_.seconds();
      if (!d.queued.empty() && d.queued.front().readableAt <= now) {
        std::copy(d.queued.front().report.begin(), d.queued.front().report.end(),
                  buffer + bytesReturned);
        d.queued.pop_front();
        buffer[bytesReturned] = d.setup.inputReportId;
        bytesReturned += kReportLength;
        break;
      }
      if (now >= deadline) return kShortRead;
      double until = deadline;
      if (!d.queued.empty()) until = std::min(until, d.queued.front().readableAt);
      if (const auto timer = d.reader->nextTimerAt())
        until = std::min(until, std::max(*timer, now));
      clock_.sleepUntil(until);
    }
  }
  return kOk;
}

void SimHidLibrary::FlushBuffers(HidHandle device) {
  OpenHandle* open = live(device);
  if (!open) return;
  Device& d = devices_[open->device];
  const double now = clock_.seconds();
  std::erase_if(d.queued, [now](const Pending& p) { return p.readableAt <= now; });
}

std::uint8_t SimHidLibrary::Close(HidHandle device) {
  const auto it = handles_.find(device);
  if (it == handles_.end()) return kFailed;
  ReaderModel& reader = *devices_[it->second.device].reader;
  handles_.erase(it);
  reader.usbReleased();
  return kOk;
}

}  // namespace mv4700
