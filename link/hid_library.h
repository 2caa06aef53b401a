#pragma once

#include <QString>
#include <cstdint>

namespace mv4700 {

using HidHandle = std::uint32_t;  // 0: no device

inline constexpr std::uint16_t kReaderVendorId = 0x10C4;
inline constexpr std::uint16_t kReaderProductId = 0x84B7;
inline constexpr int kReportLength = 9;  // report id 0 + 8 data bytes

// The eight HidDevice_ operations the tool uses. A status byte of 0 is success.
// Reports are always 9 bytes with byte 0 = report id 0, whatever the backend does.
class HidLibrary {
 public:
  virtual ~HidLibrary() = default;

  virtual std::uint32_t GetNumHidDevices(std::uint16_t vid, std::uint16_t pid) = 0;
  virtual std::uint8_t Open(HidHandle& device, std::uint32_t index, std::uint16_t vid,
                            std::uint16_t pid, std::uint32_t numInputBuffers) = 0;
  virtual HidHandle GetHandle(HidHandle device) = 0;
  virtual std::uint16_t GetInputReportBufferLength(HidHandle device) = 0;
  virtual std::uint16_t GetOutputReportBufferLength(HidHandle device) = 0;
  virtual std::uint8_t SetOutputReport_Interrupt(HidHandle device, const std::uint8_t* buffer,
                                                 std::uint32_t bufferSize) = 0;
  // Fills `buffer` with up to numReports consecutive 9-byte reports and waits a
  // bounded time for them; bytesReturned = 9 x reports received.
  virtual std::uint8_t GetInputReport_Interrupt(HidHandle device, std::uint8_t* buffer,
                                                std::uint32_t bufferSize, std::uint32_t numReports,
                                                std::uint32_t& bytesReturned) = 0;
  virtual std::uint8_t Close(HidHandle device) = 0;

  // The device path whose open was refused for lack of access, for the
  // permission hint; empty when the last search met no such refusal.
  virtual QString lastOpenDenied() const { return {}; }
  // Where an open device lives (a hidraw node), for listing; empty when unknown.
  virtual QString devicePath(HidHandle /*device*/) const { return {}; }
};

}  // namespace mv4700
