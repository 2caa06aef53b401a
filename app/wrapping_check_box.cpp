#include "app/wrapping_check_box.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace mv4700 {

QRect WrappingCheckBox::captionRect() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
  const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
  return rect().adjusted(indicator.right() + 1 + spacing, 0, 0, 0);
}

void WrappingCheckBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  option.state &= ~QStyle::State_HasFocus;  // the focus frame goes round the caption below
  painter.drawControl(QStyle::CE_CheckBox, option);

  const QRect area = captionRect();
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect =
        painter.boundingRect(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption)
            .adjusted(-1, 0, 1, 0);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
}

}  // namespace mv4700
