#pragma once

#include <QCheckBox>

namespace mv4700 {

// A check box whose caption wraps at word boundaries within its width, so a
// long caption takes two lines of a tall box instead of being cut off.
class WrappingCheckBox final : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;

  // Where the caption is drawn.
  QRect captionRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
};

}  // namespace mv4700
