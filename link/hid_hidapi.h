#pragma once

#include <map>
#include <string>
#include <vector>

#include "link/hid_library.h"
#include "link/report_descriptor.h"

struct hid_device_;

namespace mv4700 {

// The version of the hidapi library the program runs with, as "0.13.1".
std::string hidapiVersion();

// The reader's HID operations over hidapi on hidraw, which leaves the kernel's
// keyboard driver attached. Reports reach the core as 9 bytes with id 0 in front.
class HidapiLibrary final : public HidLibrary {
 public:
  HidapiLibrary();
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
  QString lastOpenDenied() const override { return denied_; }
  QString devicePath(HidHandle device) const override;
  // Only the interface at this hidraw path counts (a front end told which
  // device to use); empty: every matching interface.
  void setOnlyPath(const std::string& path) { onlyPath_ = path; }

 private:
  struct OpenDevice {
    hid_device_* handle = nullptr;
    ReportLengths lengths;
    std::string path;
  };

  struct Interface {
    std::string path;
    bool keyboardOrMouse = false;
  };
  std::vector<Interface> matchingInterfaces(std::uint16_t vid, std::uint16_t pid) const;
  OpenDevice* find(HidHandle device);

  bool initialised_ = false;
  std::map<HidHandle, OpenDevice> open_;
  HidHandle nextHandle_ = 1;  // handles are never reused, so a stale one finds nothing
  QString denied_;
  std::string onlyPath_;
};

}  // namespace mv4700
