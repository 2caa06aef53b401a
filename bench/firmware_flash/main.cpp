// Flash a 32767-byte image over RS232 against mv4700-sim on a pseudo-terminal:
// through the product serial backend, and through a minimal raw-termios loop
// sending the same frames, as fast as the host goes and at wire time; at wire
// time also the raw loop with a known extra cost a frame, which the figures
// must show, next to the time the wire itself needs.
//
//   bench_firmware_flash [image-length [rounds]]
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/arguments.h"
#include "bench/firmware_flash/pty_alone.h"
#include "bench/firmware_flash/raw_flash.h"
#include "bench/firmware_flash/timing_status_box.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "seams/dialogs.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"
#include "tests/support/simulated_reader.h"

using namespace mv4700;

namespace {

constexpr int kReaderBaud = 57600;
constexpr char kVersionText[] = "BENCH 1.0";

constexpr char kUsage[] =
    "usage: bench_firmware_flash [image-length [rounds]]\n"
    "Flashes an image of image-length bytes (default 32767) over RS232 to mv4700-sim on a\n"
    "pseudo-terminal at 57600 baud, through the product backend and through a raw termios\n"
    "loop: as fast as the host goes, then at wire time beside the wire's floor and the raw\n"
    "loop with +50 us and +200 us of known cost a frame. Each kind runs once a round\n"
    "(default 3 rounds) against an emulator of its own; prints a line a round, then the\n"
    "medians, and last the bare pseudo-terminal's round trips.\n";

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

double rawSeconds(const QByteArray& image, bool wireTime, double extraSecondsAFrame = 0) {
  QStringList args{"--model", "new", "--baud", QString::number(kReaderBaud)};
  if (wireTime) args << "--wire-time";
  testing::SimulatedReader sim(MV4700_SIM_PATH, args);
  return sim.path().isEmpty()
             ? -1
             : bench::rawFlashSeconds(sim.path(), kReaderBaud, image, extraSecondsAFrame);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The figures of one kind of run over the rounds.
struct Series {
  const char* name;
  std::vector<double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<int> numbers = bench::numbersOrExit(
      argc, argv, kUsage, {{32767, sampleImageMinimumLength(kVersionText), 32767}, {3, 1, 1000}});
  const int kImageLength = numbers[0];
  const int kRounds = numbers[1];
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString imagePath = dir.filePath("bench.bin");
  QProcess make;
  make.start(MV4700_SIM_PATH, {"--make-image", imagePath, "--length", QString::number(kImageLength),
                               "--version", kVersionText});
  QFile file(imagePath);
  if (!make.waitForFinished(10000) || make.exitCode() != 0 || !file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "mv4700-sim --make-image failed\n");
    return 1;
  }
  const QByteArray image = file.readAll();
  const int frames = kImageLength + 1;

  // Every kind runs once a round, each against an emulator of its own, so
  // that the rounds see the same machine; the medians are reported, never
  // the best round.
  constexpr double kControls[] = {50e-6, 200e-6};
  Series product{"product backend", {}}, raw{"raw termios", {}};
  Series paced{"product backend", {}}, pacedRaw{"raw termios", {}};
  Series controls[] = {{"raw termios +50 us", {}}, {"raw termios +200 us", {}}};
  std::vector<double> ratios, pacedRatios;
  for (int round = 0; round < kRounds; ++round) {
    product.seconds.push_back(productFlashSeconds(imagePath, false));
    raw.seconds.push_back(rawSeconds(image, false));
    paced.seconds.push_back(productFlashSeconds(imagePath, true));
    pacedRaw.seconds.push_back(rawSeconds(image, true));
    for (int c = 0; c < 2; ++c)
      controls[c].seconds.push_back(rawSeconds(image, true, kControls[c]));
    ratios.push_back(product.seconds.back() / raw.seconds.back());
    pacedRatios.push_back(paced.seconds.back() / pacedRaw.seconds.back());
    std::printf(
        "round %d: as fast as the host: product %.3f s, raw %.3f s; at wire time: product %.3f s, "
        "raw %.3f s, +50 us %.3f s, +200 us %.3f s\n",
        round + 1, product.seconds.back(), raw.seconds.back(), paced.seconds.back(),
        pacedRaw.seconds.back(), controls[0].seconds.back(), controls[1].seconds.back());
    std::fflush(stdout);
  }

  std::printf("image %d bytes, %d frames + end frame, reader at %d baud, %d rounds, medians:\n",
              kImageLength, kImageLength, kReaderBaud, kRounds);
  std::printf("as fast as the host:\n");
  for (const Series* s : {&product, &raw})
    std::printf("  %-20s %.3f s (%.1f us a frame)\n", s->name, median(s->seconds),
                median(s->seconds) / frames * 1e6);
  std::printf("  product / raw: %.3f (median of the rounds' ratios)\n", median(ratios));

  // Each frame is two bytes out and one back, ten bits each.
  const double floor = frames * 30.0 / kReaderBaud;
  std::printf("at wire time (floor %.3f s, %.1f us a frame):\n", floor, floor / frames * 1e6);
  for (const Series* s : {&paced, &pacedRaw})
    std::printf("  %-20s %.3f s, %.3f of the floor\n", s->name, median(s->seconds),
                median(s->seconds) / floor);
  std::printf("  product / raw: %.3f (median of the rounds' ratios; goal at most 1.02)\n",
              median(pacedRatios));
  // The controls prove the figures can show a slow tool: the known cost a
  // frame must come back within a fifth.
  for (int c = 0; c < 2; ++c) {
    const double shown = (median(controls[c].seconds) - median(pacedRaw.seconds)) / frames;
    const bool within = std::abs(shown - kControls[c]) <= 0.2 * kControls[c];
    std::printf("  %-20s %.3f s: shows %+.1f us a frame for a cost of %.0f us (%s)\n",
                controls[c].name, median(controls[c].seconds), shown * 1e6, kControls[c] * 1e6,
                within ? "within 20 %" : "NOT within 20 %");
  }

  // The same number of exchanges over a bare pseudo-terminal, each after a
  // frame's idle: what the host adds that no emulator can take back.
  const double frameSeconds = 30.0 / kReaderBaud;
  const bench::PtyRoundTrips alone = bench::measurePtyAlone(frames, frameSeconds);
  std::printf(
      "pseudo-terminal alone, %d round trips after %.0f us idle: median %.1f us; %d over "
      "200 us cost %.3f s beyond it, %.3f of the floor\n",
      alone.count, frameSeconds * 1e6, alone.medianSeconds * 1e6, alone.hiccups,
      alone.hiccupSeconds, alone.hiccupSeconds / floor);
  return 0;
}
