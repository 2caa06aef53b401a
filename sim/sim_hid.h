#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "link/hid_library.h"
#include "link/reader_filter.h"
#include "seams/clock.h"
#include "sim/reader_model.h"

namespace mv4700 {

// The HID access library with emulated readers behind it, in process. Each
// device is a ReaderModel plus the ways a device or its driver can let the
// tool down. A read that lacks reports waits for them on the clock up to the
// library's time-out, as on hardware, so a silent reader costs its second.
class SimHidLibrary final : public HidLibrary {
 public:
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
    QString location{};              // the port chain; empty: "1-n" for the n-th reader added
    // Hardware's ways, each a switch:
    bool keepQueuedReports = false;  // a reply nobody read is still there after a close and an open
    double replyLatency = 0;         // seconds from a report in until its replies can be read
    bool newNodeOnRestart = false;   // comes back from every restart as a new device: new path,
                                     // last in the enumeration, on the same port chain
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
  QString devicePath(HidHandle device) const override;
  QString deviceLocation(HidHandle device) const override;
  QString locationAt(std::uint32_t index) const override;
  void FlushBuffers(HidHandle device) override;
  // Only the reader at this path counts, followed by its port chain.
  void setOnlyPath(const QString& path) { filter_.onlyPath(path); }
  // Handles opened and not yet closed, over all devices.
  std::size_t openHandles() const { return handles_.size(); }
  // Where device `index` (in the order added) lives right now.
  QString path(std::size_t index);

 private:
  struct Pending {
    HidReport report;
    double readableAt;
  };
  struct Device {
    DeviceSetup setup;
    std::unique_ptr<ReaderModel> reader;
    std::vector<HidReport> sent;
    int node = 0;  // the n of its path
    int seenRestarts = 0;
    std::deque<Pending> queued;  // replies on their way to the host
  };
  struct OpenHandle {
    std::size_t device;
    int restarts;  // the reader's restart count at open: a restart makes the handle stale
    int reportsSent = 0;
  };

  // Notices a restart: what was queued is lost, and the device may come back
  // as a new node.
  void follow(Device& d);
  std::vector<std::size_t> present(std::uint16_t vid, std::uint16_t pid);
  OpenHandle* find(HidHandle handle);
  // The open handle if its device is still the one that was opened, else null.
  OpenHandle* live(HidHandle handle);

  Clock& clock_;
  std::vector<Device> devices_;
  std::map<HidHandle, OpenHandle> handles_;
  HidHandle nextHandle_ = 1;
  int nextNode_ = 0;
  QString lastOpenDenied_;
  ReaderFilter filter_;
  std::vector<std::size_t> listed_;  // the devices of the last count, in their order
};

}  // namespace mv4700
