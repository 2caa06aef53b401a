#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "app/application.h"
#include "app/message_box_dialogs.h"

namespace mv4700 {

namespace {

enum class Reply { ClickOk, ClickCancel, Escape, CloseBox };

struct Seen {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title, text;
  QMessageBox::StandardButtons buttons;
  bool modal = false;
};

// Answers the next message box once it is up, noting what it showed.
void answerNextBox(Reply reply, Seen& seen) {
  QTimer::singleShot(10, [reply, &seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return answerNextBox(reply, seen);
    seen = {box->icon(), box->windowTitle(), box->text(), box->standardButtons(), box->isModal()};
    switch (reply) {
      case Reply::ClickOk:
        box->button(QMessageBox::Ok)->click();
        break;
      case Reply::ClickCancel:
        box->button(QMessageBox::Cancel)->click();
        break;
      case Reply::Escape:
        QTest::keyClick(box, Qt::Key_Escape);
        break;
      case Reply::CloseBox:
        box->close();
        break;
    }
  });
}

}  // namespace

class MessageBoxDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { configureApplication(); }

  void showsTheBoxAndReturnsTheAnswer_data() {
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("withCancel");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("reply");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("shownIcon");
    QTest::addColumn<QString>("shownTitle");

    using I = Dialogs::Icon;
    using A = Dialogs::Answer;
    const QString app = QStringLiteral("Mirevantis 4700B Programming tool");
    // clang-format off
    QTest::newRow("confirm OK") << int(I::Exclamation) << true << "Clear Fields" << int(Reply::ClickOk) << int(A::Ok) << int(QMessageBox::Warning) << "Clear Fields";
    QTest::newRow("confirm Cancel") << int(I::Exclamation) << true << "Clear Fields" << int(Reply::ClickCancel) << int(A::Cancel) << int(QMessageBox::Warning) << "Clear Fields";
    QTest::newRow("confirm Escape") << int(I::Question) << true << "Confirm" << int(Reply::Escape) << int(A::Cancel) << int(QMessageBox::Question) << "Confirm";
    QTest::newRow("confirm closed") << int(I::Exclamation) << true << "x" << int(Reply::CloseBox) << int(A::Cancel) << int(QMessageBox::Warning) << "x";
    QTest::newRow("error OK") << int(I::Critical) << false << "Error" << int(Reply::ClickOk) << int(A::Ok) << int(QMessageBox::Critical) << "Error";
    QTest::newRow("no title") << int(I::Information) << false << "" << int(Reply::ClickOk) << int(A::Ok) << int(QMessageBox::Information) << app;
    // clang-format on
  }

  void showsTheBoxAndReturnsTheAnswer() {
    QFETCH(int, icon);
    QFETCH(bool, withCancel);
    QFETCH(QString, title);
    QFETCH(int, reply);
    QFETCH(int, answer);
    QFETCH(int, shownIcon);
    QFETCH(QString, shownTitle);

    QWidget window;
    window.show();
    MessageBoxDialogs dialogs(&window);
    Seen seen;
    answerNextBox(Reply(reply), seen);
    const auto got = dialogs.show(Dialogs::Icon(icon),
                                  withCancel ? Dialogs::Buttons::OkCancel : Dialogs::Buttons::Ok,
                                  title, QStringLiteral("<CR+LF> line one\r\nline two\r\n"));

    QCOMPARE(int(got), answer);
    QVERIFY(seen.modal);
    QCOMPARE(int(seen.icon), shownIcon);
    QCOMPARE(seen.title, shownTitle);
    QCOMPARE(seen.buttons, withCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                      : QMessageBox::StandardButtons(QMessageBox::Ok));
    // shown as plain text, one line per CR LF
    QCOMPARE(seen.text, QStringLiteral("<CR+LF> line one\nline two\n"));
  }
};

}  // namespace mv4700

QTEST_MAIN(mv4700::MessageBoxDialogsTest)
#include "message_box_dialogs_test.moc"
