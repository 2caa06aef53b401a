#pragma once

#include <QString>
#include <optional>
#include <span>

namespace mv4700 {

// The code (slot) of a code table whose text is exactly `shown`; empty slots
// never match.
inline std::optional<int> entryCode(std::span<const QString> table, const QString& shown) {
  for (std::size_t code = 0; code < table.size(); ++code) {
    if (!table[code].isEmpty() && table[code] == shown) return static_cast<int>(code);
  }
  return std::nullopt;
}

}  // namespace mv4700
