#include "link/report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace mv4700 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A vendor page with one unnumbered input and one output report of `n` bytes.
Bytes vendorReports(std::uint8_t inBytes, std::uint8_t outBytes) {
  return {0x06, 0x00,     0xFF,        // Usage Page (vendor)
          0x09, 0x01,                  // Usage
          0xA1, 0x01,                  // Collection (application)
          0x75, 0x08,                  // Report Size 8
          0x95, inBytes,               // Report Count
          0x09, 0x01,     0x81, 0x02,  // Input
          0x95, outBytes,              // Report Count
          0x09, 0x01,     0x91, 0x02,  // Output
          0xC0};
}

struct Case {
  const char* name;
  Bytes descriptor;
  std::uint16_t input;
  std::uint16_t output;
};

TEST(ReportDescriptor, LongestReportsPlusTheIdByte) {
  const Case cases[] = {
      {"the reader's eight-byte reports", vendorReports(8, 8), 9, 9},
      {"eight-byte reports of a shorter kind", vendorReports(7, 7), 8, 8},
      {"full-speed 64-byte reports", vendorReports(64, 64), 65, 65},
      {"bits rounded up to whole bytes",
       {0x75, 0x01, 0x95, 0x05, 0x81, 0x02, 0x75, 0x03, 0x95, 0x01, 0x81, 0x01},
       2,
       0},
      {"numbered reports: the longest counts",
       {0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02,  // id 1: 4 bytes in
        0x85, 0x02, 0x95, 0x10, 0x81, 0x02,              // id 2: 16 bytes in
        0x85, 0x03, 0x95, 0x02, 0x91, 0x02},             // id 3: 2 bytes out
       17,
       3},
      {"feature reports are not input or output",
       {0x75, 0x08, 0x95, 0x20, 0xB1, 0x02, 0x95, 0x08, 0x81, 0x02},
       9,
       0},
      {"push and pop restore the sizes",
       {0x75, 0x08, 0x95, 0x08, 0xA4, 0x95, 0x20, 0x91, 0x02, 0xB4, 0x81, 0x02},
       9,
       33},
      {"a long item is stepped over",
       {0xFE, 0x02, 0x10, 0x81, 0x02, 0x75, 0x08, 0x95, 0x08, 0x81, 0x02},
       9,
       0},
      {"two-byte report count", {0x75, 0x08, 0x96, 0x00, 0x01, 0x81, 0x02}, 257, 0},
      {"empty descriptor", {}, 0, 0},
      {"cut inside an item's data", {0x75, 0x08, 0x96, 0x08}, 0, 0},
      {"cut inside a long item", {0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xFE, 0x30, 0x00}, 9, 0},
      {"pop without push", {0xB4, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02}, 0, 9},
  };
  for (const Case& c : cases) {
    const ReportLengths lengths = parseReportLengths(c.descriptor.data(), c.descriptor.size());
    EXPECT_EQ(lengths.input, c.input) << c.name;
    EXPECT_EQ(lengths.output, c.output) << c.name;
  }
}

TEST(ReportDescriptor, HugeCountsAreCappedNotWrapped) {
  // 0xFFFFFFFF items of 32 bits would wrap a 16-bit length to a small, plausible value.
  const Bytes d{0x77, 0x20, 0x00, 0x00, 0x00, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02};
  EXPECT_EQ(parseReportLengths(d.data(), d.size()).input, 0xFFFF);
}

}  // namespace
}  // namespace mv4700
