#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/reader_list.h"
#include "link/serial_service.h"

namespace mv4700 {

class Clock;

// Asks every COM slot at once who is there, each slot at the four speeds in
// the usual order, on threads of their own with a port of their own: sixteen
// silent slots cost about one slot's probe. `makePort` makes one port
// (called on the probing thread); `onlyBaudCode` limits the speeds. Returns
// the readers in slot order; `hints` gets each refused port's hint once.
// Slots for which `skip` is true are not asked (a reader being served there).
std::vector<ListedReader> probeSerialSlots(
    const std::function<std::unique_ptr<SerialService>()>& makePort,
    const std::function<std::unique_ptr<Clock>()>& makeClock, std::optional<int> onlyBaudCode,
    QStringList* hints = nullptr, const std::function<bool(int slot)>& skip = {});

}  // namespace mv4700
