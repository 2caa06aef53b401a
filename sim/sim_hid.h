#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "link/hid_library.h"
#include "seams/clock.h"
#include "sim/reader_model.h"

namespace mv4700 {

// The HID access library with emulated readers behind it, in process. Each
// device is a ReaderModel plus the ways a device or its driver can let the
// tool down. A read that lacks reports waits for them on the clock up to the
// library's time-out, as on hardware, so a silent reader costs its second.
class SimHidLibrary final : public HidLibrary {
 public:
  // Status bytes, after the vendor library's numbering.
  static constexpr std::uint8_t kNotFound = 0x01;
  static constexpr std::uint8_t kNotOpened = 0x02;
  static constexpr std::uint8_t kReadTimeout = 0x04;
  static constexpr std::uint8_t kTransferFailed = 0x05;
  static constexpr std::uint8_t kInvalidBufferSize = 0x09;
  static constexpr double kReadTimeoutSeconds = 1.0;

  struct DeviceSetup {
    std::uint16_t vendorId = kReaderVendorId;
    std::uint16_t productId = kReaderProductId;
    bool openFails = false;
    bool openDenied = false;  // fails for lack of access (the permission hint)
    std::uint16_t inputReportLength = kReportLength;
    std::uint16_t outputReportLength = kReportLength;
    int refuseOutputReport = 0;      // the n-th output report after an open fails (0: none)
    std::uint8_t inputReportId = 0;  // byte 0 of every input report, as the driver hands it over
  };

  explicit SimHidLibrary(Clock& clock) : clock_(clock) {}

  // Adds a 4700-01 at the end of the device list; returns its firmware.
  ReaderModel& addReader(const DeviceSetup& setup);
  ReaderModel& addReader() { return addReader(DeviceSetup()); }
  ReaderModel& reader(std::size_t index) { return *devices_.at(index).reader; }
  DeviceSetup& setup(std::size_t index) { return devices_.at(index).setup; }
  // Every output report the tool sent to the device, in order.
  const std::vector<HidReport>& sentReports(std::size_t index) const {
    return devices_.at(index).sent;
  }
  // What the reader types as a keyboard when an iButton touches or leaves it;
  // empty while it is off the bus or in its loader.
  QString touch(std::size_t index);
  QString remove(std::size_t index);

  std::uint32_t GetNumHidDevices(std::uint16_t vid, std::uint16_t pid) override;
  std::uint8_t Open(HidHandle& device, std::uint32_t index, std::uint16_t vid, std::uint16_t pid,
                    std::uint32_t numInputBuffers) override;
  HidHandle GetHandle(HidHandle device) override;
  std::uint16_t GetInputReportBufferLength(HidHandle device) override;
  std::uint16_t GetOutputReportBufferLength(HidHandle device) override;
  std::uint8_t SetOutputReport_Interrupt(HidHandle device, const std::uint8_t* buffer,
                                         std::uint32_t bufferSize) override;
  std::uint8_t GetInputReport_Interrupt(HidHandle device, std::uint8_t* buffer,
                                        std::uint32_t bufferSize, std::uint32_t numReports,
                                        std::uint32_t& bytesReturned) override;
  std::uint8_t Close(HidHandle device) override;
  QString lastOpenDenied() const override { return lastOpenDenied_; }

 private:
  struct Device {
    DeviceSetup setup;
    std::unique_ptr<ReaderModel> reader;
    std::vector<HidReport> sent;
  };
  struct OpenHandle {
    std::size_t device;
    int restarts;  // the reader's restart count at open: a restart makes the handle stale
    int reportsSent = 0;
  };

  std::vector<std::size_t> present(std::uint16_t vid, std::uint16_t pid);
  OpenHandle* find(HidHandle handle);
  // The open handle if its device is still the one that was opened, else null.
  OpenHandle* live(HidHandle handle);

  Clock& clock_;
  std::vector<Device> devices_;
  std::map<HidHandle, OpenHandle> handles_;
  HidHandle nextHandle_ = 1;
  QString lastOpenDenied_;
};

}  // namespace mv4700
