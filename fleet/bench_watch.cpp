#include "fleet/bench_watch.h"

#include <algorithm>
#include <list>
#include <map>

#include "fleet/worker_thread.h"
#include "seams/clock.h"

namespace mv4700 {

namespace {

// One reader the watch has met, under the name it answers by.
struct Met {
  BenchReader reader;
  BenchEnd end;
  std::unique_ptr<WorkerThread> thread;  // while it is served, and until its end is taken
  double lastSeen = 0;
  bool ended = false;
};

}  // namespace

std::vector<BenchEnd> BenchWatch::watch(const ReaderJob& job, const std::function<bool()>& stop,
                                        double pollSeconds) {
  std::list<Met> met;  // stable addresses: the threads hold their reader and end
  std::map<QString, Met*> byName;
  std::vector<BenchEnd> ends;
  int started = 0;
  const auto collect = [&](Met& m) {
    if (m.ended || !m.thread || !m.thread->finished()) return;
    m.thread->join();
    m.ended = true;
    ends.push_back(m.end);
  };
  while (!stop()) {
    BenchBusy busy;
    for (Met& m : met) {
      collect(m);
      if (m.ended) continue;
      if (m.reader.where.usb)
        busy.usb = true;
      else
        busy.serialSlots.insert(m.reader.where.comPort);
    }
    const double now = clock_.seconds();
    for (const BenchReader& found : search_(busy)) {
      const auto known = byName.find(found.name);
      if (known != byName.end()) {
        known->second->lastSeen = now;
        continue;
      }
      Met& m = met.emplace_back();
      m.reader = found;
      m.lastSeen = now;
      byName[found.name] = &m;
      m.thread = engine_.start(started++, m.reader, job, m.end);
    }
    // A reader in service is there; one served and absent a while is gone,
    // and may be served again when it comes back.
    for (auto it = met.begin(); it != met.end();) {
      if (!it->ended) it->lastSeen = now;
      if (it->ended && now - it->lastSeen >= kGoneSeconds) {
        byName.erase(it->reader.name);
        it = met.erase(it);
      } else {
        ++it;
      }
    }
    clock_.sleepUntil(now + pollSeconds);
  }
  for (Met& m : met)
    if (m.thread && !m.ended) {
      m.thread->join();
      collect(m);
    }
  return ends;
}

}  // namespace mv4700
