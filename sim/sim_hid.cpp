#include "sim/sim_hid.h"

#include <algorithm>

namespace mv4700 {

ReaderModel& SimHidLibrary::addReader(const DeviceSetup& setup) {
  devices_.push_back({setup, std::make_unique<ReaderModel>(ReaderModel::Kind::New, clock_), {}});
  return *devices_.back().reader;
}

std::vector<std::size_t> SimHidLibrary::present(std::uint16_t vid, std::uint16_t pid) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    const Device& d = devices_[i];
    if (d.setup.vendorId == vid && d.setup.productId == pid && d.reader->usbPresent())
      found.push_back(i);
  }
  return found;
}

SimHidLibrary::OpenHandle* SimHidLibrary::find(HidHandle handle) {
  const auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : &it->second;
}

SimHidLibrary::OpenHandle* SimHidLibrary::live(HidHandle handle) {
  OpenHandle* open = find(handle);
  if (!open) return nullptr;
  ReaderModel& reader = *devices_[open->device].reader;
  return reader.usbPresent() && reader.restarts() == open->restarts ? open : nullptr;
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
  return static_cast<std::uint32_t>(present(vid, pid).size());
}

std::uint8_t SimHidLibrary::Open(HidHandle& device, std::uint32_t index, std::uint16_t vid,
                                 std::uint16_t pid, std::uint32_t) {
  device = 0;
  const std::vector<std::size_t> found = present(vid, pid);
  if (index >= found.size()) return kNotFound;
  Device& d = devices_[found[index]];
  if (d.setup.openDenied) lastOpenDenied_ = QStringLiteral("/dev/hidraw-sim%1").arg(found[index]);
  if (d.setup.openFails || d.setup.openDenied) return kNotOpened;
  // Reports the reader queued while nobody held the device are gone.
  while (d.reader->takeReport()) {
  }
  device = nextHandle_++;
  handles_[device] = {found[index], d.reader->restarts()};
  return 0;
}

HidHandle SimHidLibrary::GetHandle(HidHandle device) {
  return find(device) ? device : 0;
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
  if (!find(device)) return kNotOpened;
  OpenHandle* open = live(device);
  if (!open) return kTransferFailed;
  Device& d = devices_[open->device];
  if (!buffer || bufferSize != d.setup.outputReportLength || bufferSize < kReportLength)
    return kInvalidBufferSize;
  if (++open->reportsSent == d.setup.refuseOutputReport) return kTransferFailed;
  HidReport report;
  std::copy_n(buffer, kReportLength, report.begin());
  d.sent.push_back(report);
  d.reader->receiveReport(report);
  return 0;
}

std::uint8_t SimHidLibrary::GetInputReport_Interrupt(HidHandle device, std::uint8_t* buffer,
                                                     std::uint32_t bufferSize,
                                                     std::uint32_t numReports,
                                                     std::uint32_t& bytesReturned) {
  bytesReturned = 0;
  if (!find(device)) return kNotOpened;
  OpenHandle* open = live(device);
  if (!open) return kTransferFailed;
  if (!buffer || bufferSize < numReports * kReportLength) return kInvalidBufferSize;
  ReaderModel& reader = *devices_[open->device].reader;
  // Like the driver, the read waits for its reports, up to its time-out in all.
  const double deadline = clock_.seconds() + kReadTimeoutSeconds;
  for (std::uint32_t i = 0; i < numReports; ++i) {
    std::optional<HidReport> report;
    while (!(report = reader.takeReport()))
      if (clock_.seconds() >= deadline) return kReadTimeout;
    std::copy(report->begin(), report->end(), buffer + bytesReturned);
    buffer[bytesReturned] = devices_[open->device].setup.inputReportId;
    bytesReturned += kReportLength;
  }
  return 0;
}

std::uint8_t SimHidLibrary::Close(HidHandle device) {
  const auto it = handles_.find(device);
  if (it == handles_.end()) return kNotOpened;
  ReaderModel& reader = *devices_[it->second.device].reader;
  handles_.erase(it);
  reader.usbReleased();
  return 0;
}

}  // namespace mv4700
