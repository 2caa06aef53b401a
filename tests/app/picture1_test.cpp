#include <QFontMetricsF>
#include <QLabel>
#include <QtTest>
#include <functional>

#include "app/form1.h"
#include "app/picture1.h"

namespace mv4700 {

namespace {

// Rows and columns of the box's image that hold anything but background.
QRect ink(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) != Picture1::kBackground) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// Whether some pixel of the image satisfies `leans`.
bool anyPixel(const QImage& image, const std::function<bool(const QColor&)>& leans) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (leans(image.pixelColor(x, y))) return true;
    }
  }
  return false;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count;
    return false;
  }
};

}  // namespace

class Picture1Test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Form1> form_;
  Picture1* box_ = nullptr;

  QFontMetricsF metrics() const { return QFontMetricsF(box_->font(), &box_->image()); }
  int lineTwips() const { return qRound(metrics().lineSpacing() * 15); }
  int widthTwips(const QString& text) const {
    return qRound(metrics().horizontalAdvance(text) * 15);
  }

 private slots:
  void init() {
    form_ = std::make_unique<Form1>();
    box_ = form_->picture1();
  }
  void cleanup() { form_.reset(); }

  void drawsOnTheWholeBoxBeforeTheWindowIsShown() {
    QVERIFY(!form_->isVisible());
    box_->printLine(QStringLiteral("printed early"));
    QCOMPARE(box_->image().size(), QSize(8535 / 15 - 4, 2895 / 15 - 4));  // inside the border
    QVERIFY(!ink(box_->image()).isEmpty());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QVERIFY(!ink(box_->image()).isEmpty());
  }

  void printPositionMovesInTwips() {
    box_->printLine(QStringLiteral("first"));
    QCOMPARE(box_->printX(), 0);
    QCOMPARE(box_->printY(), lineTwips());

    box_->printOpen(QStringLiteral("Wrote memory block:"));
    box_->printOpen(QStringLiteral(" 1 "));
    QCOMPARE(box_->printY(), lineTwips());
    QVERIFY(qAbs(box_->printX() - widthTwips(QStringLiteral("Wrote memory block: 1 "))) <= 15);

    box_->emptyLine();
    box_->emptyLine();
    QCOMPARE(box_->printX(), 0);
    QCOMPARE(box_->printY(), 3 * lineTwips());

    box_->clear();
    QCOMPARE(box_->printX(), 0);
    QCOMPARE(box_->printY(), 0);
  }

  void textLandsAtThePrintPosition() {
    box_->printLine(QStringLiteral("Searching TQ-4700 on USB ports..."));
    const int line = qCeil(metrics().lineSpacing());
    const QRect first = ink(box_->image());
    QVERIFY(!first.isEmpty());
    QVERIFY(first.left() < 3 && first.top() >= 0 && first.bottom() < line);

    box_->printOpen(QStringLiteral("."));
    const int dotX = box_->printX() / 15;
    box_->printOpen(QStringLiteral("X"));
    const QRect both = ink(box_->image());
    QVERIFY(both.bottom() >= line && both.bottom() < 2 * line);  // the second line
    // The X starts where the dot left the position, not back at the left edge.
    QImage secondLine = box_->image().copy(dotX, line, box_->image().width() - dotX, line);
    QVERIFY(!ink(secondLine).isEmpty());

    box_->clear();
    QVERIFY(ink(box_->image()).isEmpty());
    box_->printLine(QStringLiteral("All fileds sets to default !"));
    QVERIFY(ink(box_->image()).top() < line / 2);
  }

  void textColourApplies_data() {
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::newRow("status dark green") << 0 << 64 << 0;
    QTest::newRow("version dark blue") << 0 << 0 << 128;
  }

  void textColourApplies() {
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);
    box_->setTextColor(Rgb{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)});
    box_->printLine(QStringLiteral("IIII llll"));
    // Glyph pixels are blends of the colour over the grey background, so the
    // channel the colour favours stands out.
    const bool greenish = g > b;
    QVERIFY(anyPixel(box_->image(), [&](const QColor& c) {
      return greenish ? c.green() - c.blue() > 20 : c.blue() - c.green() > 20;
    }));
  }

  void whatWasDrawnStaysOnScreen() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    box_->printLine(QStringLiteral("TQ-4700 connected on USB port !"));
    box_->refresh();

    // Hiding and showing the window again (as covering does) repaints from the image.
    form_->hide();
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    const QImage screen = box_->grab().toImage().convertToFormat(box_->image().format());
    const QImage inner = screen.copy(box_->innerRect());
    QCOMPARE(inner.size(), box_->image().size() / box_->image().devicePixelRatio());
    QVERIFY(!ink(inner).isEmpty());
    QCOMPARE(ink(inner), ink(box_->image()));
  }

  void refreshPaintsBeforeItReturns() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCoreApplication::processEvents();
    PaintCounter boxPaints(box_);
    PaintCounter labelPaints(form_->findChild<QLabel*>(QStringLiteral("Label1")));

    box_->printLine(QStringLiteral("line"));
    box_->refresh();
    QCOMPARE(boxPaints.count, 1);
    QCOMPARE(labelPaints.count, 0);

    box_->refreshAll();
    QCOMPARE(boxPaints.count, 2);
    QCOMPARE(labelPaints.count, 1);
  }

  // A command's last lines often come without a refresh; they must still reach
  // the screen once the program handles events again.
  void printedTextAppearsWhenIdle() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCoreApplication::processEvents();
    PaintCounter boxPaints(box_);

    box_->printLine(QStringLiteral("4700-01 firmware update Finished!"));
    QCOMPARE(boxPaints.count, 0);  // nothing painted while the command runs
    QTRY_VERIFY(boxPaints.count > 0);

    const int afterPrint = boxPaints.count;
    box_->clear();
    QTRY_VERIFY(boxPaints.count > afterPrint);
  }
};

}  // namespace mv4700

QTEST_MAIN(mv4700::Picture1Test)
#include "picture1_test.moc"
