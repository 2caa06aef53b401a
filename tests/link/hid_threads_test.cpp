// Readers served from several threads at once, as the bench serves them: each
// thread its own session and devices; only hidapi's process-wide state is
// shared, through its one owner. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "commands/commands.h"
#include "link/device_session.h"
#include "link/hid_hidapi.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/test_clock.h"

namespace mv4700 {
namespace {

constexpr int kThreads = 4;

TEST(HidThreads, EmulatedReadersReadFromSeveralThreadsEachGetTheirOwnAnswers) {
  std::vector<QString> versions(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &versions] {
      testing::TestClock clock;
      SimHidLibrary hid{clock};
      hid.addReader().setVersionText(QByteArray("V") + QByteArray::number(t));
      hid.addReader();  // a neighbour on the same bus
      SimSerialService serial{clock};
      testing::RecordingStatusBox box;
      DeviceSession session(hid, serial, box, clock);
      for (int round = 0; round < 20; ++round) readVersion(session);
      versions[t] = session.replyText;
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(versions[t], QString("V%1").arg(t));
}

TEST(HidThreads, TheProductLibraryEnumeratesAndOpensFromAnyThread) {
  HidapiLibrary shared;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&shared] {
      HidapiLibrary own;  // hid_init stays with the owner, once
      for (int round = 0; round < 10; ++round) {
        for (HidapiLibrary* hid : {&shared, &own}) {
          const std::uint32_t count = hid->GetNumHidDevices(kReaderVendorId, kReaderProductId);
          for (std::uint32_t i = 0; i < count; ++i) {
            HidHandle h = 0;
            if (hid->Open(h, i, kReaderVendorId, kReaderProductId, 0) == 0) hid->Close(h);
          }
          HidHandle none = 0;
          EXPECT_NE(hid->Open(none, count, kReaderVendorId, kReaderProductId, 0), 0);
          EXPECT_TRUE(hid->devicePath(none).isEmpty());
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace
}  // namespace mv4700
