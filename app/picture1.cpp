#include "app/picture1.h"

#include <qdrawutil.h>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QtMath>

#include "widgets/look.h"

namespace mv4700 {

namespace {
QColor toColor(Rgb c) {
  return QColor(c.r, c.g, c.b);
}
}  // namespace

Picture1::Picture1(QWidget* parent) : QWidget(parent), textColor_(toColor(kStatusTextColor)) {
  setObjectName(QStringLiteral("Picture1"));
  setFont(classicFont(9.75));
  setFocusPolicy(Qt::StrongFocus);
}

QRect Picture1::innerRect() const {
  return rect().adjusted(kBorderPixels, kBorderPixels, -kBorderPixels, -kBorderPixels);
}

QImage Picture1::blankImage(QSize size) const {
  const qreal ratio = devicePixelRatioF();
  QImage image(size * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  // Points become pixels at the screen's resolution, as in every other control.
  const int dotsPerMeter = qRound(logicalDpiY() / 0.0254);
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  image.fill(kBackground);
  return image;
}

void Picture1::fitImage() const {
  const qreal ratio = devicePixelRatioF();
  const QSize size = innerRect().size().expandedTo(QSize(1, 1));
  if (image_.size() == size * ratio && image_.devicePixelRatio() == ratio) return;
  const QImage old = image_;
  image_ = blankImage(size);
  QPainter(&image_).drawImage(0, 0, old);
}

const QImage& Picture1::image() const {
  fitImage();
  return image_;
}

void Picture1::clear() {
  fitImage();
  image_.fill(kBackground);
  x_ = y_ = 0;
  text_.clear();
  update();
}

void Picture1::draw(const QString& text) {
  if (text.isEmpty()) return;
  fitImage();
  QPainter painter(&image_);
  painter.setFont(font());
  painter.setPen(textColor_);
  const QFontMetricsF metrics(font(), &image_);
  const QPointF at(x_ / kTwipsPerPixel, y_ / kTwipsPerPixel + metrics.ascent());
  painter.drawText(at, text);
  x_ += metrics.horizontalAdvance(text) * kTwipsPerPixel;
  // Shown at the next refresh, or once the program is idle again: the last
  // line of a command often comes without a refresh after it.
  update();
}

void Picture1::printOpen(const QString& text) {
  draw(text);
  text_ += text;
}

void Picture1::printLine(const QString& text) {
  draw(text);
  text_ += text + QLatin1Char('\n');
  x_ = 0;
  y_ += QFontMetricsF(font(), &image_).lineSpacing() * kTwipsPerPixel;
}

void Picture1::refresh() {
  repaint();
}

void Picture1::refreshAll() {
  window()->repaint();
}

int Picture1::printX() const {
  return qRound(x_);
}

int Picture1::printY() const {
  return qRound(y_);
}

void Picture1::setTextColor(Rgb color) {
  textColor_ = toColor(color);
}

void Picture1::paintEvent(QPaintEvent*) {
  fitImage();
  QPainter painter(this);
  qDrawWinPanel(&painter, rect(), palette(), /*sunken=*/true);
  painter.drawImage(innerRect().topLeft(), image_);
}

void Picture1::keyPressEvent(QKeyEvent* event) {
  if (event->text().isEmpty()) {
    QWidget::keyPressEvent(event);
    return;
  }
  emit keyTyped(event->text());
}

}  // namespace mv4700
