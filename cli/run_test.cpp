#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonObject>
#include <cerrno>
#include <ctime>
#include <optional>

#include "cli/exit_status.h"
#include "cli/id_lines.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/signals.h"
#include "cli/stream_status_box.h"
#include "link/device_session.h"
#include "seams/clock.h"
#include "settings/plain_fields.h"
#include "testmode/test_mode.h"
#include "testmode/test_window.h"

namespace mv4700::cli {

namespace {

constexpr int kIdlePollMs = 20;

// No window to lock.
class NoWindow final : public TestWindow {
 public:
  void setTestingLabelVisible(bool) override {}
  void setFileAndProgMenusEnabled(bool) override {}
};

// A USB reader types into the terminal: each key is taken as it comes and
// not echoed, until the terminal is given back.
class RawTerminal {
 public:
  explicit RawTerminal(int fd) : fd_(fd) {
    if (!::isatty(fd_) || ::tcgetattr(fd_, &saved_) != 0) return;
    termios raw = saved_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    active_ = ::tcsetattr(fd_, TCSANOW, &raw) == 0;
  }
  ~RawTerminal() {
    if (active_) ::tcsetattr(fd_, TCSANOW, &saved_);
  }
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool active_ = false;
};

// What arrived from the reader since the last call: typed keys on USB, bytes
// on the serial port. Waits a little when nothing came. `lost` when the
// source is gone.
QByteArray takeArrived(RunContext& run, bool usb, bool& lost) {
  if (usb) {
    const int fd = ::fileno(run.io.in);
    pollfd in{fd, POLLIN, 0};
    if (::poll(&in, 1, kIdlePollMs) <= 0) return {};
    char chunk[256];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) return {};
    if (n <= 0) {
      lost = true;  // end of input: nobody can type any more
      return {};
    }
    return QByteArray(chunk, n);
  }
  SerialService& port = run.session.serial.port();
  const int waiting = port.inBufferCount();
  if (port.lastError() != 0) {
    lost = true;
    return {};
  }
  if (waiting > 0) return port.input();
  const timespec idle{0, kIdlePollMs * 1'000'000L};
  ::nanosleep(&idle, nullptr);
  return {};
}

}  // namespace

int runTest(RunContext& run) {
  const InterruptCatcher catcher;
  DeviceSession& s = run.session;
  PlainFields fields;
  NoWindow window;
  TestMode mode(s, fields, window);
  // The IDs are cut into lines here, not drawn into the box.
  s.serial.port().setReceiveHandler(nullptr);
  mode.startTest();
  const bool usb = s.linkState() == link_state::kUsb;
  if (!usb && s.linkState() != link_state::kTest232) return exit_status::kNoReader;

  std::optional<RawTerminal> raw;
  if (usb) raw.emplace(::fileno(run.io.in));
  s.serial.port().clearError();
  IdLines lines;
  QJsonArray ids;
  bool lost = false;
  const auto show = [&](const QString& id) {
    run.output.line(id);
    ids.append(id);
  };
  const auto enough = [&] { return run.invocation.count && ids.size() >= *run.invocation.count; };
  while (InterruptCatcher::count() == 0 && !lost && !enough() && !run.output.failed()) {
    const QByteArray bytes = takeArrived(run, usb, lost);
    const double now = run.devices.clock.seconds();
    for (const QString& id : lines.feed(bytes, now)) {
      if (!enough()) show(id);
    }
    if (const QString id = lines.takeAfterPause(now); !id.isEmpty() && !enough()) show(id);
  }
  run.output.fields()[QStringLiteral("ids")] = ids;
  if (lost && !usb) {
    // The test mode's own line ends it, as in the window.
    mode.serialLineLost();
    return exit_status::kReaderFailed;
  }
  mode.endTest();
  if (lost) {
    // Nobody can type any more: the count was not reached.
    run.status.note(QStringLiteral("mv4700: standard input ended."));
    return exit_status::kReaderFailed;
  }
  return exit_status::kDone;
}

}  // namespace mv4700::cli
