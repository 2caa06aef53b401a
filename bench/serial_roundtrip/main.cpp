// Prints how long the firmware's byte frames take through the product serial
// backend next to a bare termios loop talking to the same emulator.
//
//   serial_roundtrip [path-to-mv4700-sim]

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <time.h>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include "bench/arguments.h"
#include "firmware/erase_command.h"
#include "link/serial_link.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "seams/status_box.h"
#include "tests/support/simulated_reader.h"

namespace mv4700 {
namespace {

constexpr int kFrames = 32767;
constexpr int kAck = 0xFA;

// The two ways of talking to the reader that are compared.
class Line {
 public:
  virtual ~Line() = default;
  virtual bool open(const QString& path) = 0;
  virtual void setBaud(int baud) = 0;
  virtual void send(std::uint8_t a, std::uint8_t b) = 0;
  virtual void send(const QByteArray& bytes) = 0;
  virtual int ack(double seconds) = 0;  // the one byte received, -1 on time-out
};

// The product path: QtSerialService polled by SerialLink::Comwait on the steady clock.
class ProductLine final : public Line {
 public:
  bool open(const QString& path) override {
    qputenv("MV4700_COM_PORTS", path.toLocal8Bit());
    port_.setCommPort(1);
    port_.setSettings(serialSettingsText("57600"));
    port_.setInputMode(1);
    port_.setPortOpen(true);
    link_.txBytes.resize(2);
    return port_.portOpen();
  }
  void setBaud(int baud) override { port_.setSettings(serialSettingsText(QString::number(baud))); }
  void send(std::uint8_t a, std::uint8_t b) override {
    link_.txBytes[0] = static_cast<char>(a);
    link_.txBytes[1] = static_cast<char>(b);
    link_.sendTxBytes();
  }
  void send(const QByteArray& bytes) override { port_.output(bytes); }
  int ack(double seconds) override {
    link_.Comwait(1, static_cast<float>(seconds));
    return link_.rxDone == 1 ? static_cast<std::uint8_t>(link_.rxBytes[0]) : -1;
  }

 private:
  QtSerialService port_;
  SilentStatusBox status_;
  SteadyClock clock_;
  LinkShared shared_;
  SerialLink link_{port_, status_, clock_, shared_};
};

// The reference: the slave opened raw, write, then poll and read.
class RawLine final : public Line {
 public:
  ~RawLine() override {
    if (fd_ >= 0) ::close(fd_);
  }
  bool open(const QString& path) override {
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return false;
    setBaud(57600);
    return true;
  }
  void setBaud(int baud) override {
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, baud == 9600 ? B9600 : B57600);
    ::tcsetattr(fd_, TCSANOW, &t);
  }
  void send(std::uint8_t a, std::uint8_t b) override {
    const std::uint8_t frame[2]{a, b};
    [[maybe_unused]] const ssize_t n = ::write(fd_, frame, 2);
  }
  void send(const QByteArray& bytes) override {
    [[maybe_unused]] const ssize_t n = ::write(fd_, bytes.constData(), bytes.size());
  }
  int ack(double seconds) override {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(seconds * 1000)) != 1) return -1;
    std::uint8_t byte = 0;
    return ::read(fd_, &byte, 1) == 1 ? byte : -1;
  }

 private:
  int fd_ = -1;
};

// Erase, wait for the loader, update command, speed change: the line is then
// ready for byte frames.
bool enterLoader(Line& line) {
  line.send(QByteArray(reinterpret_cast<const char*>(kEraseCommand.data()), kEraseCommand.size()));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  line.setBaud(9600);
  if (line.ack(6.0) != kAck) return false;
  line.send(QByteArray("\x1B\xA8\x02", 3));
  if (line.ack(1.0) != kAck) return false;
  line.setBaud(57600);
  line.send(QByteArray("\xFA", 1));
  return line.ack(1.0) == kAck;
}

double threadCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct FrameCost {
  double seconds = 0;     // wall time of the round trip
  double cpuSeconds = 0;  // processor time this side spent on it
};

// One byte frame and its acknowledgement; seconds -1 when it failed.
FrameCost timeFrame(Line& line, int k) {
  const double cpu = threadCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  line.send(static_cast<std::uint8_t>(k * 7 + 3), 0x55);
  if (line.ack(2.0) != kAck) return {-1, 0};
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          threadCpuSeconds() - cpu};
}

double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

}  // namespace
}  // namespace mv4700

int main(int argc, char** argv) {
  using namespace mv4700;
  bench::helpOrExit(
      argc, argv,
      "usage: serial_roundtrip [path-to-mv4700-sim]\n"
      "Sends 32767 two-byte loader frames, each answered by a one-byte ACK, to two\n"
      "emulated 4700-01 readers (mv4700-sim at 57600 baud, not paced at wire time) on\n"
      "pseudo-terminals: one through the product serial backend, one through a bare\n"
      "termios loop, frame by frame in turn. Prints the total, mean and median time a\n"
      "round trip for each, their ratio and the processor time a round trip on this side.\n",
      1);
  QCoreApplication app(argc, argv);
#ifdef MV4700_SIM_PATH
  QString simulator = MV4700_SIM_PATH;
#else
  QString simulator = "mv4700-sim";
#endif
  if (argc > 1) simulator = argv[1];

  // One emulated reader for each line. The frames alternate between the two
  // lines, so that both meet the same load from whatever else the machine runs.
  const QStringList arguments{"--model", "new", "--baud", "57600"};
  testing::SimulatedReader productReader(simulator, arguments);
  testing::SimulatedReader rawReader(simulator, arguments);
  ProductLine product;
  RawLine raw;
  if (productReader.path().isEmpty() || rawReader.path().isEmpty() ||
      !product.open(productReader.path()) || !raw.open(rawReader.path())) {
    std::fprintf(stderr, "cannot reach the emulator (%s)\n", qPrintable(simulator));
    return 1;
  }
  if (!enterLoader(product) || !enterLoader(raw)) {
    std::fprintf(stderr, "the loader did not answer\n");
    return 1;
  }

  std::vector<double> productTimes(kFrames), rawTimes(kFrames);
  double productCpu = 0, rawCpu = 0;
  for (int k = 0; k < kFrames; ++k) {
    const bool productFirst = k % 2 == 0;
    FrameCost p, r;
    if (productFirst) p = timeFrame(product, k);
    r = timeFrame(raw, k);
    if (!productFirst) p = timeFrame(product, k);
    if (p.seconds < 0 || r.seconds < 0) {
      std::fprintf(stderr, "frame %d not acknowledged\n", k);
      return 1;
    }
    productTimes[k] = p.seconds;
    rawTimes[k] = r.seconds;
    productCpu += p.cpuSeconds;
    rawCpu += r.cpuSeconds;
  }
  product.send(0xFF, 0xAA);
  raw.send(0xFF, 0xAA);

  const double productTotal = std::accumulate(productTimes.begin(), productTimes.end(), 0.0);
  const double rawTotal = std::accumulate(rawTimes.begin(), rawTimes.end(), 0.0);
  std::printf("frames: %d, each a 2-byte frame and a 1-byte ACK at 57600 baud\n", kFrames);
  std::printf("raw termios:     %.3f s (mean %.1f us, median %.1f us per round trip)\n", rawTotal,
              rawTotal / kFrames * 1e6, median(rawTimes) * 1e6);
  std::printf("product backend: %.3f s (mean %.1f us, median %.1f us per round trip)\n",
              productTotal, productTotal / kFrames * 1e6, median(productTimes) * 1e6);
  std::printf("ratio product/raw: %.3f (medians %.3f)\n", productTotal / rawTotal,
              median(productTimes) / median(rawTimes));
  std::printf("processor time on this side: raw %.1f us, product %.1f us per round trip\n",
              rawCpu / kFrames * 1e6, productCpu / kFrames * 1e6);
  return 0;
}
