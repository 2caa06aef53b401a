#pragma once

#include <QString>
#include <cstdint>

namespace mv4700 {

using HidHandle = std::uint32_t;  // 0: no device

inline constexpr std::uint16_t kReaderVendorId = 0x10C4;
inline constexpr std::uint16_t kReaderProductId = 0x84B7;
inline constexpr int kReportLength = 9;  // report id 0 + 8 data bytes

// The status bytes every HID backend returns, so a status line reads the same
// whichever library stands behind it.
namespace hid_status {
inline constexpr std::uint8_t kOk = 0;
inline constexpr std::uint8_t kFailed = 1;     // no such device or handle, or a send failed
inline constexpr std::uint8_t kShortRead = 2;  // fewer reports came than asked for in time
inline constexpr std::uint8_t kReadError = 3;  // the device went away while being read
}  // namespace hid_status

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
  // Drops input reports that are already waiting, such as a late reply to an
  // earlier exchange that the device kept while nobody had it open.
  virtual void FlushBuffers(HidHandle /*device*/) {}

  // The device path whose open was refused for lack of access, for the
  // permission hint; empty when the last search met no such refusal.
  virtual QString lastOpenDenied() const { return {}; }
  // Where an open device lives (a hidraw node), for listing; empty when unknown.
  virtual QString devicePath(HidHandle /*device*/) const { return {}; }
  // Where a reader is plugged in: its USB bus and port chain ("1-2.3"), which
  // stays the same when it comes back as a new device (after the erase, or
  // replugged into the same port). Empty when unknown.
  virtual QString deviceLocation(HidHandle /*device*/) const { return {}; }
  // The same for device `index` of the last GetNumHidDevices.
  virtual QString locationAt(std::uint32_t /*index*/) const { return {}; }
};

}  // namespace mv4700
