#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include "seams/status_box.h"

namespace mv4700 {

// The status box. Everything printed is drawn into a persistent image, so it
// survives covering and uncovering until the next clear; painting only copies
// that image to the screen.
class Picture1 final : public QWidget, public StatusBox {
  Q_OBJECT
 public:
  static constexpr int kBorderPixels = 2;
  static inline const QColor kBackground{224, 224, 224};

  explicit Picture1(QWidget* parent = nullptr);

  void clear() override;
  void printLine(const QString& text = {}) override;
  void printOpen(const QString& text) override;
  void refresh() override;
  void refreshAll() override;
  int printX() const override;
  int printY() const override;
  void setTextColor(Rgb color) override;

  // What the box shows inside its border, in logical pixels.
  const QImage& image() const;
  QRect innerRect() const;
  // The text printed since the last clear, each ended line followed by "\n";
  // what the box shows, as text to copy or to check.
  const QString& text() const { return text_; }

 signals:
  // Every key with text typed while the box has the focus (test mode shows them).
  void keyTyped(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void draw(const QString& text);
  QImage blankImage(QSize size) const;
  // A hidden widget hears of its size only when shown, and the core may print
  // before that; so the image follows the size whenever it is used.
  void fitImage() const;

  mutable QImage image_;
  QColor textColor_;
  // Twips from the top-left corner of the inner area; fractions kept so that
  // printing one character at a time lands where printing the whole text would.
  double x_ = 0;
  double y_ = 0;
  QString text_;
};

}  // namespace mv4700
