#include "fleet/parallel_probe.h"

#include <array>

#include "fleet/worker_thread.h"
#include "link/com_slots.h"
#include "link/permission_hint.h"
#include "link/serial_failures.h"
#include "link/serial_link.h"
#include "seams/clock.h"
#include "seams/status_box.h"
#include "settings/code_tables.h"

namespace mv4700 {

namespace {

struct SlotAnswer {
  std::optional<ListedReader> reader;
  QString denied;
};

SlotAnswer probeSlot(int port, SerialService& service, Clock& clock,
                     std::optional<int> onlyBaudCode) {
  SilentStatusBox quiet;
  LinkShared shared;
  SerialLink link(service, quiet, clock, shared);
  SlotAnswer answer;
  for (int code : kUsedBaudCodes) {
    if (onlyBaudCode && code != *onlyBaudCode) continue;
    service.clearError();
    if (!link.probe(port, code)) {
      answer.denied = service.lastOpenDenied();
      // A slot with no port, or one refused, is so at every speed.
      const int error = service.lastError();
      if (error == serial_failure::kDeviceNotFound || error == serial_failure::kPermission ||
          error == serial_failure::kOpen)
        break;
      continue;
    }
    answer.reader =
        ListedReader{false, service.openPath(), port, baudTable()[code], shared.newModel};
    link.closePort();
    break;
  }
  return answer;
}

}  // namespace

std::vector<ListedReader> probeSerialSlots(
    const std::function<std::unique_ptr<SerialService>()>& makePort,
    const std::function<std::unique_ptr<Clock>()>& makeClock, std::optional<int> onlyBaudCode,
    QStringList* hints, const std::function<bool(int slot)>& skip) {
  std::array<SlotAnswer, kComSlots> answers;
  std::array<std::unique_ptr<WorkerThread>, kComSlots> threads;
  for (int port = 1; port <= kComSlots; ++port) {
    if (skip && skip(port)) continue;
    SlotAnswer& answer = answers[port - 1];
    // Each slot's port lives and dies on its own thread.
    threads[port - 1] =
        std::make_unique<WorkerThread>([&answer, port, &makePort, &makeClock, onlyBaudCode] {
          const std::unique_ptr<SerialService> service = makePort();
          const std::unique_ptr<Clock> clock = makeClock();
          answer = probeSlot(port, *service, *clock, onlyBaudCode);
        });
  }
  std::vector<ListedReader> found;
  for (int port = 1; port <= kComSlots; ++port) {
    if (!threads[port - 1]) continue;
    threads[port - 1]->join();
    const SlotAnswer& answer = answers[port - 1];
    if (answer.reader) found.push_back(*answer.reader);
    if (hints && !answer.denied.isEmpty()) {
      const QString hint = serialPermissionHint(answer.denied);
      if (!hints->contains(hint)) *hints << hint;
    }
  }
  return found;
}

}  // namespace mv4700
