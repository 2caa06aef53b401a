#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "app/form1.h"
#include "app/picture1.h"
#include "app/wrapping_check_box.h"
#include "tests/support/scripted_dialogs.h"
#include "widgets/look.h"

namespace mv4700 {

using testing::ScriptedDialogs;

namespace {

QStringList items(const QComboBox* combo) {
  QStringList list;
  for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
  return list;
}

bool isBlank(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) != Picture1::kBackground) return false;
    }
  }
  return true;
}

// What a fresh status box of the same size shows after printing `lines`.
QImage statusBoxShowing(const Picture1* like, const QStringList& lines) {
  Picture1 box;
  box.resize(like->size());
  for (const QString& line : lines) box.printLine(line);
  return box.image();
}

// Types `text` one character at a time, as a keyboard layout that has each
// character would (QTest's own typing goes through Latin-1).
void type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
  }
}

// A caption fits when, wrapped at word boundaries, it lies inside `area`.
bool fits(const QString& caption, const QFont& font, const QRect& area) {
  const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, area.width(), 10000),
                                                       Qt::AlignLeft | Qt::TextWordWrap, caption);
  return needed.width() <= area.width() && needed.height() <= area.height();
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Form1> form_;
  ScriptedDialogs dialogs_;

  template <typename W>
  W* control(const QString& name) const {
    W* widget = form_->findChild<W*>(name);
    if (!widget) qFatal("no control %s", qPrintable(name));
    return widget;
  }
  SettingsFields& fields() { return form_->fields(); }

 private slots:
  void init() {
    dialogs_ = {};
    form_ = std::make_unique<Form1>();
    form_->setDialogs(&dialogs_);
  }
  void cleanup() { form_.reset(); }

  void startsWithTheDefaultsAndAnEmptyStatusBox() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Mirevantis 4700B Programming tool v2.0"));
    QVERIFY(!form_->windowIcon().isNull());

    QStringList positions;
    for (int i = 1; i <= 16; ++i) positions << QString::number(i);
    QCOMPARE(items(control<QComboBox>("Combo1")), positions);
    QCOMPARE(items(control<QComboBox>("Combo2")), positions);
    QCOMPARE(items(control<QComboBox>("Combo3")),
             QStringList({"<CR+LF>", "<CR>", "<LF>", "<TAB>", "Disable"}));
    QCOMPARE(items(control<QComboBox>("Combo4")),
             QStringList({"9600", "19200", "57600", "115200"}));

    const struct {
      Field field;
      QString text, tag;
      int value;
    } expected[] = {
        {Field::Text1, "", "", 0},          {Field::Combo1, "1", "", 0},
        {Field::Combo2, "16", "", 0},       {Field::Text2, "", "", 0},
        {Field::Combo3, "<CR+LF>", "0", 0}, {Field::Text3, "", "", 0},
        {Field::Check3, "", "", 1},         {Field::Combo4, "9600", "0", 0},
        {Field::Check1, "", "", 0},         {Field::Check2, "", "", 0},
    };
    for (const auto& e : expected) {
      QCOMPARE(fields().text(e.field), e.text);
      QCOMPARE(fields().tag(e.field), e.tag);
      QCOMPARE(fields().value(e.field), e.value);
      QVERIFY(fields().enabled(e.field));
      QVERIFY(fields().visible(e.field));
    }
    QVERIFY(form_->label12()->isHidden());
    QVERIFY(isBlank(form_->picture1()->image()));
    QCOMPARE(form_->picture1()->printX(), 0);
    QCOMPARE(form_->picture1()->printY(), 0);
    QVERIFY(dialogs_.shown.isEmpty());
  }

  void controlsSitWhereTheLayoutPutsThem_data() {
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("color");  // invalid: the control's own
    QTest::addColumn<QString>("caption");

    const QColor blue(0, 0, 255), light(128, 128, 255), none;
    // clang-format off
    QTest::newRow("Label1") << 360 << 480 << 4215 << 375 << 13.5 << true << QColor(0, 0, 192) << "* iButton ID output settings *";
    QTest::newRow("Label5") << 600 << 1080 << 2055 << 255 << 9.75 << true << blue << "Prefix characters:";
    QTest::newRow("Text1") << 3120 << 1080 << 2415 << 315 << 9.75 << false << none << "";
    QTest::newRow("Label2") << 600 << 1560 << 2055 << 255 << 9.75 << true << blue << "Start from character:";
    QTest::newRow("Combo1") << 3120 << 1560 << 2415 << 300 << 9.75 << false << none << "";
    QTest::newRow("Label3") << 600 << 2040 << 2415 << 255 << 9.75 << true << blue << "Number of  character:";
    QTest::newRow("Combo2") << 3120 << 2040 << 2415 << 300 << 9.75 << false << none << "";
    QTest::newRow("Label6") << 600 << 2520 << 2055 << 255 << 9.75 << true << blue << "Postfix characters:";
    QTest::newRow("Text2") << 3120 << 2520 << 2415 << 315 << 9.75 << false << none << "";
    QTest::newRow("Label4") << 600 << 3000 << 2055 << 255 << 9.75 << true << blue << "Delimiter:";
    QTest::newRow("Combo3") << 3120 << 3000 << 2415 << 300 << 9.75 << false << none << "";
    QTest::newRow("Label7") << 600 << 3480 << 2415 << 255 << 9.75 << true << blue << "Onremove characters:";
    QTest::newRow("Text3") << 3120 << 3480 << 2415 << 315 << 9.75 << false << none << "";
    QTest::newRow("Check3") << 600 << 3960 << 1935 << 375 << 9.75 << true << blue << "Buzzer sound";
    QTest::newRow("Label12") << 3120 << 3960 << 3855 << 615 << 24.0 << false << QColor(255, 0, 0) << "T e s t i n g  . . .";
    QTest::newRow("Label8") << 6120 << 960 << 3375 << 375 << 9.75 << true << light << "* RS232/USB-RS232 setting *";
    QTest::newRow("Label9") << 6360 << 1320 << 2055 << 255 << 9.75 << true << blue << "Baud Rate:";
    QTest::newRow("Combo4") << 7800 << 1320 << 1335 << 300 << 9.75 << false << none << "";
    QTest::newRow("Label11") << 6120 << 1920 << 2535 << 375 << 9.75 << true << light << "* PS2-KB setting *";
    QTest::newRow("Check1") << 6360 << 2160 << 2895 << 615 << 9.75 << true << blue << "PS2 Keyboard Locked (iButton not present)";
    QTest::newRow("Label14") << 6120 << 3000 << 2535 << 375 << 9.75 << true << light << "* USB-KB setting *";
    QTest::newRow("Check2") << 6360 << 3360 << 2775 << 375 << 9.75 << true << blue << "Always CapsLock ON";
    QTest::newRow("Label10") << 7800 << 4320 << 1335 << 375 << 8.25 << false << QColor(0, 128, 128) << "Status Messages ";
    QTest::newRow("Picture1") << 600 << 4560 << 8535 << 2895 << 9.75 << false << none << "";
    // clang-format on
  }

  void controlsSitWhereTheLayoutPutsThem() {
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(qreal, points);
    QFETCH(bool, bold);
    QFETCH(QColor, color);
    QFETCH(QString, caption);

    const QWidget* widget = control<QWidget>(QTest::currentDataTag());
    QCOMPARE(widget->parentWidget(), form_->centralWidget());
    QCOMPARE(widget->geometry(), QRect(left / 15, top / 15, width / 15, height / 15));
    QCOMPARE(widget->font().pointSizeF(), points);
    QCOMPARE(widget->font().bold(), bold);
    if (color.isValid()) QCOMPARE(widget->palette().color(QPalette::WindowText), color);

    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      QCOMPARE(label->text(), caption);
      QVERIFY2(fits(caption, label->font(), label->contentsRect()), "caption clipped");
    } else if (const auto* check = qobject_cast<const WrappingCheckBox*>(widget)) {
      QCOMPARE(check->text(), caption);
      QVERIFY2(fits(caption, check->font(), check->captionRect()), "caption clipped");
    }
  }

  void disabledCheckBoxesLookDisabled() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    for (const char* name : {"Check1", "Check2", "Check3"}) {
      auto* box = control<QCheckBox>(name);
      const auto bluePixels = [box] {
        const QImage image = box->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
          for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() >= 200 && c.red() < 100 && c.green() < 100) ++count;
          }
        }
        return count;
      };
      QVERIFY2(bluePixels() > 0, name);
      box->setEnabled(false);
      QVERIFY2(bluePixels() == 0, name);  // the caption is grey like other disabled controls
      box->setEnabled(true);
    }
  }

  void clientAreaIsFixedBelowTheMenuBar() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(form_->centralWidget()->size(), QSize(652, 511));
    QCOMPARE(form_->centralWidget()->y(), form_->menuBar()->height());
    QCOMPARE(form_->minimumSize(), form_->maximumSize());
  }

  void fontFallsBackToLiberationSans() {
    if (QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif")))
      QSKIP("the first choice is here");
    if (!QFontDatabase::hasFamily(QStringLiteral("Liberation Sans"))) QSKIP("no Liberation Sans");
    QCOMPARE(QFontInfo(control<QLabel>("Label5")->font()).family(),
             QStringLiteral("Liberation Sans"));
  }

  void menusCarryTheirItemsInOrder() {
    struct Menu {
      QString name, caption;
      QList<QPair<QString, QString>> items;  // empty caption: a spacer
    };
    const QList<Menu> expected = {
        {"file",
         "File",
         {{"sopen", "Open file"},
          {"sfile", "Save file"},
          {"sp1", ""},
          {"CLRS", "Clear all setting fields to default"},
          {"sp2", ""},
          {"exit", "Exit"}}},
        {"prog",
         "Programming",
         {{"pusb", "Write settings to 4700"},
          {"reads", "Read settings from 4700"},
          {"sp3", ""},
          {"reset", "Reset 4700 settings to default"},
          {"sp4", ""},
          {"rver", "Read version from 4700"},
          {"fopen", "Firmware update"}}},
        {"test",
         "Communication",
         {{"stest", "Start Test"}, {"etest", "End Test"}, {"bench", "All readers..."}}},
        {"note", "Release notes", {{"v20", "v2.0"}}},
    };
    const QList<QAction*> bar = form_->menuBar()->actions();
    QCOMPARE(bar.size(), expected.size());
    for (qsizetype m = 0; m < expected.size(); ++m) {
      QMenu* menu = bar[m]->menu();
      QVERIFY(menu);
      QCOMPARE(menu->objectName(), expected[m].name);
      QCOMPARE(menu->title(), expected[m].caption);
      QCOMPARE(form_->menu(expected[m].name), menu);
      QVERIFY(menu->isEnabled() && bar[m]->isEnabled());
      const QList<QAction*> actions = menu->actions();
      QCOMPARE(actions.size(), expected[m].items.size());
      for (qsizetype i = 0; i < actions.size(); ++i) {
        const auto& [name, caption] = expected[m].items[i];
        QCOMPARE(actions[i]->objectName(), name);
        QCOMPARE(actions[i]->text(), caption);
        QCOMPARE(actions[i]->isSeparator(), caption.isEmpty());
        QVERIFY(actions[i]->isEnabled());
        QCOMPARE(form_->action(name), actions[i]);
      }
    }
  }

  void choosingAnEntryKeepsItsCode_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("downs");  // entries moved down from the default
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("tag");
    QTest::newRow("57600") << "Combo4" << 2 << "57600"
                           << "8";
    QTest::newRow("115200") << "Combo4" << 3 << "115200"
                            << "9";
    QTest::newRow("19200") << "Combo4" << 1 << "19200"
                           << "6";
    QTest::newRow("Disable") << "Combo3" << 4 << "Disable"
                             << "4";
    QTest::newRow("<TAB>") << "Combo3" << 3 << "<TAB>"
                           << "3";
  }

  void choosingAnEntryKeepsItsCode() {
    QFETCH(QString, list);
    QFETCH(int, downs);
    QFETCH(QString, shown);
    QFETCH(QString, tag);
    auto* combo = control<QComboBox>(list);
    for (int i = 0; i < downs; ++i) QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), shown);
    QCOMPARE(combo->property("Tag").toString(), tag);

    // and back to the first entry
    QTest::keyClick(combo, Qt::Key_Home);
    QCOMPARE(combo->property("Tag").toString(), QStringLiteral("0"));
  }

  void typingStopsAtSevenLatin1Characters_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("Text1") << "Text1";
    QTest::newRow("Text2") << "Text2";
    QTest::newRow("Text3") << "Text3";
  }

  void typingStopsAtSevenLatin1Characters() {
    QFETCH(QString, box);
    auto* edit = control<QLineEdit>(box);
    type(edit, QStringLiteral("ab\u20ACcd\u00E9fgh"));  // the euro sign is not Latin-1
    QCOMPARE(edit->text(), QStringLiteral("abcd\u00E9fg"));

    // The program may put more there (a reader's reply); typing cannot add to it.
    const Field field = box == "Text1"   ? Field::Text1
                        : box == "Text2" ? Field::Text2
                                         : Field::Text3;
    fields().setText(field, QStringLiteral("ABCDEFGHI"));
    QCOMPARE(fields().text(field), QStringLiteral("ABCDEFGHI"));
    QTest::keyClick(edit, Qt::Key_J);
    QCOMPARE(edit->text(), QStringLiteral("ABCDEFGHI"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_J);
    QCOMPARE(edit->text(), QStringLiteral("ABCDEFGH"));

    fields().setText(field, {});
    type(edit, QStringLiteral("123456789"));
    QCOMPARE(edit->text(), QStringLiteral("1234567"));
  }

  // The clearing itself is tested on the core; here the menu item reaches it
  // with the window's own fields, status box and message boxes.
  void clearAllFieldsMenuItemClearsTheWindow() {
    fields().setText(Field::Text1, QStringLiteral("PRE"));
    dialogs_.answers = {Dialogs::Answer::Ok};
    form_->action(QStringLiteral("CLRS"))->trigger();

    QCOMPARE(dialogs_.shown.size(), 1);
    QCOMPARE(dialogs_.shown[0].title, QStringLiteral("Clear Fields"));
    QCOMPARE(fields().text(Field::Text1), Form1().fields().text(Field::Text1));
    QCOMPARE(form_->picture1()->image(),
             statusBoxShowing(form_->picture1(), {"All fileds sets to default !"}));
  }

  void releaseNotesClearTheStatusBox() {
    form_->picture1()->printLine(QStringLiteral("something earlier"));
    form_->action(QStringLiteral("v20"))->trigger();

    QCOMPARE(dialogs_.shown.size(), 1);
    QCOMPARE(dialogs_.shown[0].icon, Dialogs::Icon::Information);
    QCOMPARE(dialogs_.shown[0].buttons, Dialogs::Buttons::Ok);
    QCOMPARE(dialogs_.shown[0].title, QStringLiteral("4700B Release Notes"));
    QCOMPARE(dialogs_.shown[0].text,
             QStringLiteral("1. Compatilbe to Mirevantis 4700 rev.A (RS232)\r\n"
                            "2. New function for Mirevantis 4700 rev.B\r\n"
                            "3. Support USB-KB,RS232(USB-RS232) programming\r\n"
                            "4. Support 32/64bits WinXP/7/8\r\n"));
    QVERIFY(isBlank(form_->picture1()->image()));
    QCOMPARE(form_->picture1()->printY(), 0);
  }

  void statusBoxHoldsTheFocusAndHearsTypedKeys() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QCOMPARE(QApplication::focusWidget(), form_->picture1());

    QSignalSpy typed(form_->picture1(), &Picture1::keyTyped);
    QTest::keyClicks(form_->picture1(), QStringLiteral("0A"));
    QTest::keyClick(form_->picture1(), Qt::Key_Return);
    QCOMPARE(typed.size(), 3);
    QCOMPARE(typed[0][0].toString(), QStringLiteral("0"));
    QCOMPARE(typed[1][0].toString(), QStringLiteral("A"));
    QCOMPARE(typed[2][0].toString(), QStringLiteral("\r"));

    QStringList order;
    for (int i = 0; i < 11; ++i) {
      order << QApplication::focusWidget()->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList({"Picture1", "Combo1", "Combo2", "Combo3", "Combo4", "Text1",
                                 "Text2", "Text3", "Check1", "Check2", "Check3"}));
    QCOMPARE(QApplication::focusWidget(), form_->picture1());  // and round again
    QCOMPARE(typed.size(), 3);                                 // Tab moves on, it is not typed
  }

  // Announced at the first display and on coming back from another window of
  // the program (the chooser); whether an activation runs a file action is
  // for the pending file action to decide.
  void activationIsAnnounced() {
    QSignalSpy activated(form_.get(), &Form1::activated);
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QTRY_COMPARE(activated.size(), 1);

    QWidget chooser;
    chooser.show();
    chooser.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&chooser));
    QCOMPARE(activated.size(), 1);
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QTRY_COMPARE(activated.size(), 2);
    QTest::qWait(50);
    QCOMPARE(activated.size(), 2);
  }
};

}  // namespace mv4700

QTEST_MAIN(mv4700::Form1Test)
#include "form1_test.moc"
