#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "link/hid_library.h"
#include "link/reader_filter.h"
#include "link/report_descriptor.h"

struct hid_device_;

namespace mv4700 {

// The version of the hidapi library the program runs with, as "0.13.1".
std::string hidapiVersion();

// The reader's HID operations over hidapi on hidraw, which leaves the kernel's
// keyboard driver attached. Reports reach the core as 9 bytes with id 0 in front.
// Safe to use from several threads; each handle by one thread at a time.
class HidapiLibrary final : public HidLibrary {
 public:
  HidapiLibrary() = default;
  ~HidapiLibrary() override;
  HidapiLibrary(const HidapiLibrary&) = delete;
  HidapiLibrary& operator=(const HidapiLibrary&) = delete;

  std::uint32_t GetNumHidDevices(std::uint16_t vid, std::uint16_t pid) override;
  std::uint8_t Open(HidHandle& device, std::uint32_t index, std::uint16_t vid, std::uint16_t pid,
                    std::uint32_t numInputBuffers) override;
  HidHandle GetHandle(HidHandle device) override { return device; }
  std::uint16_t GetInputReportBufferLength(HidHandle device) override;
  std::uint16_t GetOutputReportBufferLength(HidHandle device) override;
  std::uint8_t SetOutputReport_Interrupt(HidHandle device, const std::uint8_t* buffer,
                                         std::uint32_t bufferSize) override;
  std::uint8_t GetInputReport_Interrupt(HidHandle device, std::uint8_t* buffer,
                                        std::uint32_t bufferSize, std::uint32_t numReports,
                                        std::uint32_t& bytesReturned) override;
  std::uint8_t Close(HidHandle device) override;
  void FlushBuffers(HidHandle device) override;
  QString lastOpenDenied() const override;
  QString devicePath(HidHandle device) const override;
  QString deviceLocation(HidHandle device) const override;
  QString locationAt(std::uint32_t index) const override;
  // Only the reader at this hidraw path counts (a front end told which device
  // to use), followed by its port chain when it comes back on another node;
  // empty: every matching interface.
  void setOnlyPath(const std::string& path);

 private:
  // A device as enumerated: where it is and where it is plugged in.
  struct Interface {
    QString path;
    QString location;
    bool keyboardOrMouse = false;
  };
  struct OpenDevice {
    hid_device_* handle = nullptr;
    ReportLengths lengths;
    Interface identity;
  };

  std::vector<Interface> matchingInterfaces(std::uint16_t vid, std::uint16_t pid);
  // The open device behind a handle; null when unknown. Its hid_device_ is
  // used outside the lock: a handle has one user at a time.
  OpenDevice* find(HidHandle device);

  mutable std::mutex mutex_;
  std::vector<Interface> listed_;  // the last count's devices: Open's index points here
  std::map<HidHandle, OpenDevice> open_;
  HidHandle nextHandle_ = 1;  // handles are never reused, so a stale one finds nothing
  QString denied_;
  ReaderFilter filter_;
};

}  // namespace mv4700
