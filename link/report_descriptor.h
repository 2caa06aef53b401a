#pragma once

#include <cstddef>
#include <cstdint>

namespace mv4700 {

// The longest input and output report a HID report descriptor declares, in
// bytes, with one byte for the report id in front (also when the device uses
// no report ids). 0 when the descriptor declares no report of that kind.
struct ReportLengths {
  std::uint16_t input = 0;
  std::uint16_t output = 0;
};

ReportLengths parseReportLengths(const std::uint8_t* descriptor, std::size_t size);

}  // namespace mv4700
