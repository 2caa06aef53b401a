#include "link/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace mv4700 {

namespace {

enum ItemType { kMain = 0, kGlobal = 1 };
enum MainTag { kInput = 0x8, kOutput = 0x9 };
enum GlobalTag {
  kTagReportSize = 0x7,
  kTagReportId = 0x8,
  kTagReportCount = 0x9,
  kTagPush = 0xA,
  kTagPop = 0xB
};
constexpr std::uint8_t kLongItem = 0xFE;
// Guards against a descriptor that pushes without end.
constexpr std::size_t kMaxPushDepth = 32;

struct Globals {
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

std::uint16_t longestInBytes(const std::map<std::uint32_t, std::uint64_t>& bitsById) {
  std::uint64_t longest = 0;
  for (const auto& [id, bits] : bitsById) longest = std::max(longest, (bits + 7) / 8);
  if (longest == 0) return 0;
  return static_cast<std::uint16_t>(std::min<std::uint64_t>(longest + 1, 0xFFFF));
}

}  // namespace

ReportLengths parseReportLengths(const std::uint8_t* descriptor, std::size_t size) {
  Globals globals;
  std::vector<Globals> stack;
  std::map<std::uint32_t, std::uint64_t> inputBits;
  std::map<std::uint32_t, std::uint64_t> outputBits;

  std::size_t pos = 0;
  while (pos < size) {
    const std::uint8_t prefix = descriptor[pos];
    if (prefix == kLongItem) {
      if (pos + 1 >= size) break;
      pos += 3 + descriptor[pos + 1];
      continue;
    }
    static constexpr std::array<std::size_t, 4> kDataSize{0, 1, 2, 4};
    const std::size_t dataSize = kDataSize[prefix & 0x3];
    if (pos + 1 + dataSize > size) break;
    std::uint32_t data = 0;
    for (std::size_t i = 0; i < dataSize; ++i)
      data |= std::uint32_t{descriptor[pos + 1 + i]} << (8 * i);
    pos += 1 + dataSize;

    const int type = (prefix >> 2) & 0x3;
    const int tag = prefix >> 4;
    if (type == kMain && (tag == kInput || tag == kOutput)) {
      auto& bits = tag == kInput ? inputBits : outputBits;
      bits[globals.reportId] += std::uint64_t{globals.reportSize} * globals.reportCount;
    } else if (type == kGlobal) {
      switch (tag) {
        case kTagReportSize:
          globals.reportSize = data;
          break;
        case kTagReportId:
          globals.reportId = data;
          break;
        case kTagReportCount:
          globals.reportCount = data;
          break;
        case kTagPush:
          if (stack.size() < kMaxPushDepth) stack.push_back(globals);
          break;
        case kTagPop:
          if (!stack.empty()) {
            globals = stack.back();
            stack.pop_back();
          }
          break;
        default:
          break;
      }
    }
  }
  return {longestInBytes(inputBits), longestInBytes(outputBits)};
}

}  // namespace mv4700
