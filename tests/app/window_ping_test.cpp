// Under an X server (xvfb-run): during a flash the window answers the window
// manager's ping (_NET_WM_PING) within a second, and a click on a menu does
// nothing.
#include <poll.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/form1.h"
#include "app/input_lock.h"
#include "app/window_clock.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/firmware/image_files.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700 {
namespace {

using Steady = std::chrono::steady_clock;

// A window manager's side of the ping, on a connection of its own.
class Pinger {
 public:
  Pinger() : c_(xcb_connect(nullptr, nullptr)) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    // The answer goes to the root window, to those who listen for its structure.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
    protocols_ = atom("WM_PROTOCOLS");
    ping_ = atom("_NET_WM_PING");
  }
  ~Pinger() { xcb_disconnect(c_); }

  // Seconds until the window answered ping `n`; a negative number: no answer within 2 s.
  double ping(xcb_window_t window, std::uint32_t n) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = protocols_;
    event.data.data32[0] = ping_;
    event.data.data32[1] = n;
    event.data.data32[2] = window;
    const Steady::time_point sent = Steady::now();
    xcb_send_event(c_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(c_);
    const Steady::time_point deadline = sent + std::chrono::seconds(2);
    while (Steady::now() < deadline) {
      pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
      ::poll(&p, 1, 50);
      while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
        const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
        const bool answer = (e->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
                            m->data.data32[0] == ping_ && m->data.data32[1] == n;
        std::free(e);
        if (answer) return std::chrono::duration<double>(Steady::now() - sent).count();
      }
    }
    return -1;
  }

 private:
  xcb_atom_t atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : 0;
    std::free(reply);
    return a;
  }

  xcb_connection_t* c_;
  xcb_window_t root_ = 0;
  xcb_atom_t protocols_ = 0;
  xcb_atom_t ping_ = 0;
};

}  // namespace

class WindowPingTest : public QObject {
  Q_OBJECT

 private slots:
  void answersPingsAndDropsClicksDuringAFlash() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
      QSKIP("needs an X server: run under xvfb-run");
    Form1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    WindowClock clock;
    SimHidLibrary hid{clock};
    hid.addReader({.replyLatency = 0.01});
    SimSerialService serial{clock};
    testing::ScriptedDialogs dialogs;
    DeviceSession session(hid, serial, window.statusBox(), clock);
    FirmwareImage image;
    InputLock lock;
    QTemporaryDir dir;
    const QString path = dir.filePath("fw.bin");
    QVERIFY(testing::writeFile(path, testing::makeImage({.length = 900})));

    bool menuShown = false;
    QMenu* prog = window.menu(QStringLiteral("prog"));
    connect(prog, &QMenu::aboutToShow, this, [&menuShown] { menuShown = true; });
    QMenuBar* bar = window.menuBar();
    const QPoint menuAt = bar->mapToGlobal(bar->actionGeometry(prog->menuAction()).center());
    const auto windowId = static_cast<xcb_window_t>(window.winId());

    std::atomic<bool> flashing{true};
    std::vector<double> answers;
    std::thread desktop([&] {
      Pinger pinger;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      const QByteArray click = QStringLiteral("xdotool mousemove %1 %2 click 1")
                                   .arg(menuAt.x())
                                   .arg(menuAt.y())
                                   .toLatin1();
      [[maybe_unused]] const int clicked = std::system(click.constData());
      for (std::uint32_t n = 1; flashing; ++n) {
        answers.push_back(pinger.ping(windowId, n));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
    });
    Outcome outcome;
    {
      const InputLockHold hold(lock);
      outcome = Fwupdate(session, image, dialogs, path);
    }
    flashing = false;
    desktop.join();
    QCoreApplication::processEvents();

    QVERIFY(outcome == Outcome::Done);
    QVERIFY(answers.size() >= 5);
    for (double seconds : answers) {
      QVERIFY(seconds >= 0);
      QVERIFY(seconds < 1.0);
    }
    QVERIFY(!menuShown);
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
  }
};

}  // namespace mv4700

QTEST_MAIN(mv4700::WindowPingTest)
#include "window_ping_test.moc"
