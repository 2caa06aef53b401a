// "All readers" against three emulated readers: one on USB in process, two on
// pseudo-terminals through the product serial backend.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "app/tool.h"
#include "benchview/bench_view.h"
#include "fleet/worker_thread.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/bench_helpers.h"
#include "tests/support/forwarding_links.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/simulated_reader.h"

using namespace mv4700;

namespace {

constexpr int kFindMs = 20000;

// The main window with its tool, the view opened from its menu, and the
// bench: the USB reader is reached through one in-process library, the serial
// ones through their pseudo-terminals as COM1 and COM2.
struct Rig {
  explicit Rig(const QStringList& simArguments)
      : sim(MV4700_SIM_PATH, QStringList{"--readers", "2", "--model", "new"} + simArguments) {
    qputenv("MV4700_COM_PORTS", sim.paths().join(u',').toLocal8Bit());
    hid.addReader();
    window.setDialogs(&dialogs);
    window.action("bench")->trigger();
    view = window.findChild<BenchView*>();
    table = view->findChild<QTableWidget*>("readers");
  }
  BenchDevices devices() {
    BenchDevices d;
    d.hid = [this](const QString&) -> std::unique_ptr<HidLibrary> {
      return std::make_unique<testing::ForwardingHid>(hid);
    };
    d.port = [](const QString& path, int slot) -> std::unique_ptr<SerialService> {
      auto port = std::make_unique<QtSerialService>();
      if (!path.isEmpty()) port->setOnlyPort(path, slot);
      return port;
    };
    d.clock = [] { return std::make_unique<SteadyClock>(); };
    return d;
  }
  QPushButton* button(const char* name) { return view->findChild<QPushButton*>(name); }
  QString cell(int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
  }
  int rowOf(const QString& port) {
    for (int row = 0; row < table->rowCount(); ++row)
      if (cell(row, ReaderTable::Port).endsWith(port)) return row;
    return -1;
  }
  bool menusEnabled() {
    return window.menu("file")->menuAction()->isEnabled() &&
           window.menu("prog")->menuAction()->isEnabled();
  }

  testing::SimulatedReader sim;
  SteadyClock clock;
  SimHidLibrary hid{clock};
  SimSerialService mainPort{clock};
  testing::ScriptedDialogs dialogs;
  Form1 window;
  Tool tool{window, hid, mainPort, clock, devices()};
  BenchView* view = nullptr;
  QTableWidget* table = nullptr;
};

}  // namespace

class BenchViewTest : public QObject {
  Q_OBJECT

 private slots:
  // The rows follow the bench: three readers appear with their link, port,
  // model and version, and a reader that goes away leaves its row.
  void rowsFollowTheBench() {
    Rig r({"--baud", "57600"});
    QCOMPARE(r.view->windowTitle(), QString("All readers"));
    QTRY_COMPARE_WITH_TIMEOUT(r.table->rowCount(), 3, kFindMs);
    QCOMPARE(r.cell(0, ReaderTable::Link), QString("USB"));
    const int second = r.rowOf(r.sim.paths()[1]);
    QCOMPARE(r.cell(second, ReaderTable::Link), QString("RS232"));
    QCOMPARE(r.cell(second, ReaderTable::Port), "COM2 " + r.sim.paths()[1]);
    QCOMPARE(r.cell(second, ReaderTable::Model), QString("4700-01"));
    QTRY_VERIFY_WITH_TIMEOUT(!r.cell(second, ReaderTable::Version).isEmpty(), kFindMs);
    QCOMPARE(r.cell(second, ReaderTable::State), QString("waiting"));

    r.sim.command("2 unplug");
    QTRY_COMPARE_WITH_TIMEOUT(r.table->rowCount(), 2, kFindMs);
    QCOMPARE(r.rowOf(r.sim.paths()[1]), -1);
  }

  // "Write settings" writes the main window's fields to every reader at once
  // and reads them back; a reader that went silent fails alone with its line.
  // While it runs the buttons and the main window's reader menus are off.
  void writeSettingsToEveryReader() {
    Rig r({"--baud", "57600,19200"});
    QTRY_COMPARE_WITH_TIMEOUT(r.table->rowCount(), 3, kFindMs);
    r.window.fields().setText(Field::Text1, "AB");
    r.window.fields().setText(Field::Combo1, "4");
    r.sim.command("2 silent");

    r.button("write")->click();
    QVERIFY(r.view->commandRunning() || !r.button("write")->isEnabled());
    for (const char* name : {"write", "version", "reset", "flash", "stop"})
      QVERIFY2(!r.button(name)->isEnabled(), name);
    QVERIFY(!r.menusEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!r.view->commandRunning(), kFindMs);
    QVERIFY(r.button("write")->isEnabled());
    QVERIFY(r.menusEnabled());

    const int usb = 0;
    const int first = r.rowOf(r.sim.paths()[0]);
    const int silent = r.rowOf(r.sim.paths()[1]);
    QCOMPARE(r.cell(usb, ReaderTable::State), QString("done"));
    QCOMPARE(r.cell(first, ReaderTable::State), QString("done"));
    QCOMPARE(r.cell(silent, ReaderTable::State),
             QString("failed: Can not find 4700 at com 1~16 with all baud rate!"));
    QCOMPARE(r.view->findChild<QLabel*>("summary")->text().left(27),
             QString("3 readers: 2 done, 1 failed"));
    // The silent reader is no longer found, but its row stays with its line
    // until the next command.
    QTest::qWait(2 * BenchView::kPollMilliseconds + 500);
    QCOMPARE(r.table->rowCount(), 3);
    QVERIFY(r.cell(r.rowOf(r.sim.paths()[1]), ReaderTable::State).startsWith("failed: "));

    // The selected reader's own lines: written, read back, compared.
    const auto logOf = [&r](int row) {
      r.table->selectRow(row);
      return r.view->findChild<QPlainTextEdit*>("log")->toPlainText();
    };
    const QString serialLog = logOf(first);
    QVERIFY2(serialLog.contains("Programming settings to TQ-4700 RS232 OK!"),
             qPrintable(serialLog));
    QVERIFY2(serialLog.endsWith("verified: every field as written"), qPrintable(serialLog));
    const QString usbLog = logOf(usb);
    QVERIFY2(usbLog.contains("Programming settings to TQ-4700 USB OK!"), qPrintable(usbLog));
    QVERIFY2(usbLog.endsWith("verified: every field as written"), qPrintable(usbLog));
  }

  // A stop during a flash, agreed to after the warning, stops every transfer
  // through its closing steps: each port opens again at once. A close of the
  // window during it asks first.
  void aStopDuringAFlashRunsEveryClosingStep() {
    Rig r({"--baud", "57600", "--boot-seconds", "1.2", "--wire-time"});
    QTRY_COMPARE_WITH_TIMEOUT(r.table->rowCount(), 3, kFindMs);
    QTemporaryDir dir;
    const QString image = testing::sampleImageFile(dir, 5000, "STOP");
    QVERIFY(!image.isEmpty());

    r.view->flashImage(image);
    QCOMPARE(r.dialogs.shown.size(), 1);
    QVERIFY(r.dialogs.shown[0].text.contains(r.sim.paths()[1]));
    QVERIFY(r.dialogs.shown[0].text.contains("STOP"));
    const int first = r.rowOf(r.sim.paths()[0]);
    QTRY_VERIFY_WITH_TIMEOUT(r.table->cellWidget(first, ReaderTable::Progress), kFindMs);
    QVERIFY(r.button("stop")->isEnabled());
    // Closing the window asks first; "Cancel" leaves the transfers running.
    r.dialogs.answers = {Dialogs::Answer::Cancel};
    QVERIFY(!r.view->close());
    QVERIFY(r.view->commandRunning());
    QCOMPARE(r.dialogs.shown.size(), 2);
    r.button("stop")->click();
    QCOMPARE(r.dialogs.shown.size(), 3);
    QTRY_VERIFY_WITH_TIMEOUT(!r.view->commandRunning(), kFindMs);
    for (int row = 0; row < 3; ++row) {
      QVERIFY(r.cell(row, ReaderTable::State).startsWith("failed"));
      QVERIFY(!r.table->cellWidget(row, ReaderTable::Progress));
    }
    for (const QString& path : r.sim.paths()) QVERIFY2(testing::portOpensAgain(path), qPrintable(path));
  }

  // An image that fails the check gets the firmware update's error box and
  // nothing is sent: no reader's state changes.
  void aRefusedImageSendsNothing() {
    Rig r({"--baud", "57600"});
    QTRY_COMPARE_WITH_TIMEOUT(r.table->rowCount(), 3, kFindMs);
    QTemporaryDir dir;
    const QString image = dir.filePath("not.bin");
    QFile file(image);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(600, 'x'));
    file.close();
    r.view->flashImage(image);
    QCOMPARE(r.dialogs.shown.size(), 1);
    QCOMPARE(r.dialogs.shown[0].title, QString("Error"));
    QVERIFY(!r.view->commandRunning());
    for (int row = 0; row < 3; ++row) QCOMPARE(r.cell(row, ReaderTable::State), QString("waiting"));
  }
};

QTEST_MAIN(BenchViewTest)
#include "bench_view_test.moc"
