#include <QAction>
#include <QTimer>
#include <QtTest>

#include "app/application.h"
#include "app/form1.h"

namespace mv4700 {

class ProgramEndTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { configureApplication(); }

  // Exit and closing the main window both end the event loop at once and take
  // every other window (the chooser, even while it is open) with them.
  void endsTheProgramAndClosesEveryWindow_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("Exit") << true;
    QTest::newRow("closing the window") << false;
  }

  void endsTheProgramAndClosesEveryWindow() {
    QFETCH(bool, byMenu);
    Form1 form;
    QWidget chooser;
    form.show();
    chooser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));

    QTimer::singleShot(0, &form, [&] {
      if (byMenu) {
        form.action(QStringLiteral("exit"))->trigger();
      } else {
        form.close();
      }
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });  // the loop did not end
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!form.isVisible());
    QVERIFY(!chooser.isVisible());
  }
};

}  // namespace mv4700

QTEST_MAIN(mv4700::ProgramEndTest)
#include "program_end_test.moc"
