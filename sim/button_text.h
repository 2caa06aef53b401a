#pragma once

#include <QByteArray>
#include <cstdint>

#include "sim/reader_settings.h"

namespace mv4700 {

// What the reader sends when an iButton touches it: prefix, the chosen digits
// of the 16-digit ID, postfix and delimiter.
QByteArray buttonTouchText(const ReaderSettings& settings, std::uint64_t buttonId);

// What the reader sends when the iButton leaves it: the on-remove characters.
QByteArray buttonRemoveText(const ReaderSettings& settings);

}  // namespace mv4700
