#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QtTest>

#include "app/form1.h"
#include "app/picture1.h"
#include "app/tool.h"
#include "sim/sim_hid.h"
#include "sim/sim_serial.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_clock.h"

using namespace mv4700;

namespace {

// Types `text` into `widget` the way a keyboard reader does, control
// characters included (QTest::keyClicks takes printable text only).
void typeAsKeyboard(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    const int key = c == '\r' ? Qt::Key_Return : c == '\n' ? Qt::Key_Enter : Qt::Key_unknown;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }
}

}  // namespace

// The menu items of the main window run the tool against emulated readers.
class ToolTest : public QObject {
  Q_OBJECT

  struct Rig {
    testing::TestClock clock;
    SimHidLibrary hid{clock};
    SimSerialService serial{clock};
    testing::ScriptedDialogs dialogs;
    Form1 window;
    Tool tool{window, hid, serial, clock};
    Rig() { window.setDialogs(&dialogs); }
    void run(const char* item) { window.action(QString::fromLatin1(item))->trigger(); }
    QString shown() const { return window.picture1()->text(); }
  };

 private slots:
  void writeThenReadOnUsb() {
    Rig r;
    r.hid.addReader();
    r.window.fields().setText(Field::Text1, "AB");
    r.window.fields().setText(Field::Combo1, "4");
    r.run("pusb");
    QCOMPARE(r.shown(),
             "Searching TQ-4700 on USB ports...\nChecking TQ-4700 USB...\n"
             "TQ-4700 connected on USB port !\nWrote memory block: 1  2  3  4  5 \n"
             "Programming settings to TQ-4700 USB OK!\n");
    r.window.fields().setText(Field::Text1, "");
    r.window.fields().setText(Field::Combo1, "1");
    r.run("reads");
    QVERIFY(r.shown().endsWith("TQ-4700 connected on USB port !\nRead 4700-01 USB value OK!\n"));
    QCOMPARE(r.window.fields().text(Field::Text1), QString("AB"));
    QCOMPARE(r.window.fields().text(Field::Combo1), QString("4"));
  }

  void resetAndVersionOnSerial() {
    Rig r;
    r.serial.attachReader(2, ReaderModel::Kind::New, 57600).setVersionText("MV4700-01 V3.1");
    r.run("reset");
    QCOMPARE(r.dialogs.shown.size(), 1);
    QVERIFY(
        r.shown().endsWith("Found NEW 4700-01 RS232 at com:  2 Baud: 57600\n"
                           "TQ-4700 RS232 Reset to default!\n"));
    r.run("rver");
    QVERIFY(
        r.shown().endsWith("Reading firmware version from TQ-4700 RS232...\n\n"
                           "MV4700-01 V3.1\n\n"));
    QVERIFY(!r.serial.portOpen());
  }

  void usbTestModeShowsTypedIdAndLocksTheMenus() {
    Rig r;
    r.hid.addReader();
    r.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&r.window));
    r.run("stest");
    QVERIFY(r.shown().endsWith("*** Testing 4700, please put ibutton on 4700 for read ID ***\n"));
    QVERIFY(r.window.label12()->isVisible());
    QVERIFY(!r.window.menu("file")->menuAction()->isEnabled());
    QVERIFY(!r.window.menu("prog")->menuAction()->isEnabled());
    QVERIFY(r.window.menu("test")->menuAction()->isEnabled());

    // What the reader types as a keyboard when the button touches it.
    const QString typed = r.hid.touch(0);
    QVERIFY(typed.startsWith("2C00000A1B3D4E01"));
    typeAsKeyboard(r.window.picture1(), typed);
    QVERIFY(r.shown().contains("ID ***\n2C00000A1B3D4E01"));

    r.run("etest");
    QCOMPARE(r.shown(), QString("* Test Mode end *\n"));
    QVERIFY(!r.window.label12()->isVisible());
    QVERIFY(r.window.menu("file")->menuAction()->isEnabled());
    QTest::keyClicks(r.window.picture1(), "x");
    QCOMPARE(r.shown(), QString("* Test Mode end *\n"));
  }
};

QTEST_MAIN(ToolTest)
#include "tool_test.moc"
