#include "widgets/look.h"

#include <QStringList>

namespace mv4700 {

QFont classicFont(qreal pointSize, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(pointSize);
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  return font;
}

}  // namespace mv4700
