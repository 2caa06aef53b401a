#include "app/tool.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>

#include "app/form1.h"
#include "app/input_lock.h"
#include "app/picture1.h"
#include "benchview/bench_view.h"
#include "chooser/file_chooser.h"
#include "commands/commands.h"
#include "fileaction/file_actions.h"
#include "fileaction/settings_file_actions.h"
#include "firmware/firmware_image.h"
#include "firmware/fwupdate.h"
#include "link/device_session.h"
#include "seams/dialogs.h"
#include "testmode/test_mode.h"
#include "testmode/test_window.h"

namespace mv4700 {
namespace {

// The window's current message boxes, looked up at each use, so a test that
// swaps them in after start-up answers every box.
class WindowDialogs final : public Dialogs {
 public:
  WindowDialogs(Form1& window, InputLock& lock) : window_(window), lock_(lock) {}
  Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) override {
    // The operator answers the box: the command's input lock is lifted meanwhile.
    const bool held = lock_.engaged();
    if (held) lock_.release();
    const Answer answer = window_.dialogs().show(icon, buttons, title, text);
    if (held) lock_.engage();
    return answer;
  }

 private:
  Form1& window_;
  InputLock& lock_;
};

class WindowLock final : public TestWindow {
 public:
  explicit WindowLock(Form1& window) : window_(window) {}
  void setTestingLabelVisible(bool visible) override { window_.label12()->setVisible(visible); }
  void setFileAndProgMenusEnabled(bool enabled) override {
    for (const char* name : {"file", "prog"}) {
      window_.menu(QString::fromLatin1(name))->menuAction()->setEnabled(enabled);
    }
  }

 private:
  Form1& window_;
};

}  // namespace

struct Tool::Parts {
  Parts(Form1& w, HidLibrary& hid, SerialService& serial, Clock& clock)
      : window(w),
        dialogs(w, inputLock),
        lock(w),
        session(hid, serial, w.statusBox(), clock),
        fileActions(settingsFileHandlers(w.fields(), w.statusBox(), dialogs,
                                         [this](const QString& path) {
                                           const InputLockHold hold(inputLock);
                                           Fwupdate(session, firmware, dialogs, path);
                                         })),
        chooser(fileActions, w.statusBox(), dialogs),
        testMode(session, w.fields(), lock) {}

  Form1& window;
  InputLock inputLock;
  WindowDialogs dialogs;
  WindowLock lock;
  DeviceSession session;
  FirmwareImage firmware;
  FileActions fileActions;
  FileChooser chooser;
  TestMode testMode;
  QPointer<BenchView> benchView;
};

Tool::Tool(Form1& window, HidLibrary& hid, SerialService& serial, Clock& clock, BenchDevices bench)
    : parts_(std::make_unique<Parts>(window, hid, serial, clock)) {
  Parts& p = *parts_;
  const auto on = [&window, this](const char* name, auto handler) {
    connect(window.action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
  };
  on("sopen", [&p] { p.chooser.showFor(ChooserMode::OpenSettings, &p.window); });
  on("sfile", [&p] { p.chooser.showFor(ChooserMode::SaveSettings, &p.window); });
  on("fopen", [&p] { p.chooser.showFor(ChooserMode::FirmwareUpdate, &p.window); });
  // A device command takes no input while it runs, though the window stays alive.
  const auto locked = [&p](auto command) {
    return [&p, command] {
      const InputLockHold hold(p.inputLock);
      command();
    };
  };
  on("pusb", locked([&p] { writeSettings(p.session, p.window.fields()); }));
  on("reads", locked([&p] { readSettings(p.session, p.window.fields()); }));
  on("reset", locked([&p] { resetReader(p.session, p.dialogs); }));
  on("rver", locked([&p] { readVersion(p.session); }));
  on("stest", [&p] { p.testMode.startTest(); });
  on("etest", [&p] { p.testMode.endTest(); });
  window.action(QStringLiteral("bench"))->setEnabled(static_cast<bool>(bench.hid));
  on("bench", [&p, bench] {
    if (!p.benchView) {
      // Test mode holds a reader too: it waits with the two menus.
      const auto setEnabled = [&p](bool enabled) {
        p.lock.setFileAndProgMenusEnabled(enabled);
        p.window.action(QStringLiteral("stest"))->setEnabled(enabled);
      };
      p.benchView =
          new BenchView({bench, p.window.fields(), p.dialogs, setEnabled, &p.window}, &p.window);
    }
    p.benchView->show();
    p.benchView->raise();
    p.benchView->activateWindow();
  });
  connect(window.picture1(), &Picture1::keyTyped, this,
          [&p](const QString& text) { p.testMode.keyTyped(text); });
  connect(&window, &Form1::activated, this, [&p] { p.fileActions.onMainWindowActivated(); });
}

Tool::~Tool() {
  // The view ends its runs while the parts it uses are still there.
  delete parts_->benchView;
}

}  // namespace mv4700
