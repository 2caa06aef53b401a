// Flash a 32767-byte image over RS232 against mv4700-sim on a pseudo-terminal:
// through the product serial backend, and through a minimal raw-termios loop
// sending the same frames, in the same run; then both again against an
// emulator paced at real wire time, next to the time the wire itself needs.
//
//   bench_firmware_flash [image-length [rounds]]
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/firmware_flash/pty_alone.h"
#include "bench/firmware_flash/raw_flash.h"
#include "bench/firmware_flash/timing_status_box.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "sim/sim_hid.h"
#include "tests/support/simulated_reader.h"

using namespace mv4700;

namespace {

constexpr int kReaderBaud = 57600;

class ConfirmAll final : public Dialogs {
 public:
  Answer show(Icon, Buttons, const QString&, const QString&) override { return Answer::Ok; }
};

// One update through the product code; the seconds of its byte frames, or -1.
double productFlashSeconds(const QString& imagePath, bool wireTime) {
  QStringList args{"--model", "new", "--baud", QString::number(kReaderBaud)};
  if (wireTime) args << "--wire-time";
  testing::SimulatedReader sim(MV4700_SIM_PATH, args);
  if (sim.path().isEmpty()) return -1;
  qputenv("MV4700_COM_PORTS", sim.path().toLocal8Bit());

  SteadyClock clock;
  SimHidLibrary noUsbReader(clock);
  QtSerialService port;
  bench::TimingStatusBox status;
  ConfirmAll dialogs;
  DeviceSession session(noUsbReader, port, status, clock);
  FirmwareImage image;
  Fwupdate(session, image, dialogs, imagePath);
  if (status.lines().isEmpty() || status.lines().back() != "4700-01 firmware update Finished!") {
    std::fprintf(stderr, "product flash failed:\n%s\n", qPrintable(status.lines().join('\n')));
    return -1;
  }
  return status.transferSeconds();
}

double rawSeconds(const QByteArray& image, bool wireTime) {
  QStringList args{"--model", "new", "--baud", QString::number(kReaderBaud)};
  if (wireTime) args << "--wire-time";
  testing::SimulatedReader sim(MV4700_SIM_PATH, args);
  return sim.path().isEmpty() ? -1 : bench::rawFlashSeconds(sim.path(), kReaderBaud, image);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int kImageLength = argc > 1 ? std::atoi(argv[1]) : 32767;
  const int kRounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  QTemporaryDir dir;
  const QString imagePath = dir.filePath("bench.bin");
  QProcess make;
  make.start(MV4700_SIM_PATH, {"--make-image", imagePath, "--length", QString::number(kImageLength),
                               "--version", "BENCH 1.0"});
  QFile file(imagePath);
  if (!make.waitForFinished(10000) || make.exitCode() != 0 || !file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "mv4700-sim --make-image failed\n");
    return 1;
  }
  const QByteArray image = file.readAll();

  // Other work on the machine moves both figures; the best run of each and the
  // median of the per-round ratios are the steadiest comparison.
  std::vector<double> product, raw, ratios;
  for (int round = 0; round < kRounds; ++round) {
    product.push_back(productFlashSeconds(imagePath, false));
    raw.push_back(rawSeconds(image, false));
    ratios.push_back(product.back() / raw.back());
    std::printf("round %d: product backend %.3f s, raw termios %.3f s, ratio %.3f\n", round + 1,
                product.back(), raw.back(), ratios.back());
  }
  const double p = *std::min_element(product.begin(), product.end());
  const double r = *std::min_element(raw.begin(), raw.end());
  std::printf("image %d bytes, %d frames + end frame, reader at %d baud\n", kImageLength,
              kImageLength, kReaderBaud);
  std::printf("best product backend: %.3f s (%.1f us a frame), median %.3f s\n", p,
              p / (kImageLength + 1) * 1e6, median(product));
  std::printf("best raw termios:     %.3f s (%.1f us a frame), median %.3f s\n", r,
              r / (kImageLength + 1) * 1e6, median(raw));
  std::printf("ratio product / raw: best runs %.3f, median of rounds %.3f\n", p / r,
              median(ratios));

  // Each frame is two bytes out and one back, ten bits each.
  const double floor = (kImageLength + 1) * 30.0 / kReaderBaud;
  std::vector<double> paced, pacedRaw;
  for (int round = 0; round < std::min(kRounds, 3); ++round) {
    paced.push_back(productFlashSeconds(imagePath, true));
    pacedRaw.push_back(rawSeconds(image, true));
    std::printf("wire-time round %d: product backend %.3f s, raw termios %.3f s\n", round + 1,
                paced.back(), pacedRaw.back());
  }
  const double bestPaced = *std::min_element(paced.begin(), paced.end());
  const double bestPacedRaw = *std::min_element(pacedRaw.begin(), pacedRaw.end());
  std::printf("wire-time floor: %.3f s\n", floor);
  std::printf("wire-time product backend: best %.3f s, ratio to the floor %.3f (median %.3f)\n",
              bestPaced, bestPaced / floor, median(paced) / floor);
  std::printf("wire-time raw termios:     best %.3f s, ratio to the floor %.3f (median %.3f)\n",
              bestPacedRaw, bestPacedRaw / floor, median(pacedRaw) / floor);

  // The same number of exchanges over a bare pseudo-terminal, each after a
  // frame's idle: what the host adds that no emulator can take back.
  const double frameSeconds = 30.0 / kReaderBaud;
  const bench::PtyRoundTrips alone = bench::measurePtyAlone(kImageLength + 1, frameSeconds);
  std::printf(
      "pseudo-terminal alone, %d round trips after %.0f us idle: median %.1f us; %d over "
      "200 us cost %.3f s beyond it, %.3f of the floor\n",
      alone.count, frameSeconds * 1e6, alone.medianSeconds * 1e6, alone.hiccups,
      alone.hiccupSeconds, alone.hiccupSeconds / floor);
  return 0;
}
