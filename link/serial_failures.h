#pragma once

namespace mv4700 {

// The failure numbers a serial port records, shown after a command's error
// line. They start at 101 so that none can be taken for one of the program's
// own numbers (6 overflow, 9 index, 53, 75 and 76 for files).
namespace serial_failure {
inline constexpr int kNone = 0;
inline constexpr int kDeviceNotFound = 101;  // no port behind the COM slot
inline constexpr int kPermission = 102;      // access refused, or held by another program
inline constexpr int kOpen = 103;            // the system would not open it
inline constexpr int kWrite = 104;
inline constexpr int kRead = 105;
inline constexpr int kLineLost = 106;     // the device went away: unplugged, hung up
inline constexpr int kUnsupported = 107;  // settings the port cannot take
inline constexpr int kUnknown = 108;
inline constexpr int kTimeout = 109;  // the line would not take the bytes
inline constexpr int kNotOpen = 110;
}  // namespace serial_failure

}  // namespace mv4700
