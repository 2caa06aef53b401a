#include "app/widget_fields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "app/text_box_validator.h"

namespace mv4700 {

QWidget* WidgetFields::widget(Field f) const {
  switch (f) {
    case Field::Text1:
      return c_.text1;
    case Field::Combo1:
      return c_.combo1;
    case Field::Combo2:
      return c_.combo2;
    case Field::Text2:
      return c_.text2;
    case Field::Combo3:
      return c_.combo3;
    case Field::Text3:
      return c_.text3;
    case Field::Check3:
      return c_.check3;
    case Field::Combo4:
      return c_.combo4;
    case Field::Check1:
      return c_.check1;
    case Field::Check2:
      return c_.check2;
  }
  return nullptr;
}

QLineEdit* WidgetFields::textBox(Field f) const {
  return qobject_cast<QLineEdit*>(widget(f));
}
QComboBox* WidgetFields::list(Field f) const {
  return qobject_cast<QComboBox*>(widget(f));
}
QCheckBox* WidgetFields::checkBox(Field f) const {
  return qobject_cast<QCheckBox*>(widget(f));
}

QString WidgetFields::text(Field f) const {
  if (const QLineEdit* box = textBox(f)) return box->text();
  if (const QComboBox* combo = list(f)) return combo->currentText();
  return {};
}

void WidgetFields::setText(Field f, const QString& text) {
  if (QLineEdit* box = textBox(f)) {
    setTextUnchecked(box, text);
  } else if (QComboBox* combo = list(f)) {
    const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) combo->setCurrentIndex(index);
  }
}

QString WidgetFields::tag(Field f) const {
  return widget(f)->property(kTagProperty).toString();
}

void WidgetFields::setTag(Field f, const QString& tag) {
  widget(f)->setProperty(kTagProperty, tag);
}

int WidgetFields::value(Field f) const {
  const QCheckBox* box = checkBox(f);
  return box && box->isChecked() ? 1 : 0;
}

void WidgetFields::setValue(Field f, int value) {
  if (QCheckBox* box = checkBox(f)) box->setChecked(value != 0);
}

// The control's own setting, whatever its parents' state.
bool WidgetFields::enabled(Field f) const {
  return !widget(f)->testAttribute(Qt::WA_ForceDisabled);
}
void WidgetFields::setEnabled(Field f, bool on) {
  widget(f)->setEnabled(on);
}

// The control's own setting, whether or not the window is shown yet.
bool WidgetFields::visible(Field f) const {
  return !widget(f)->isHidden();
}
void WidgetFields::setVisible(Field f, bool on) {
  widget(f)->setVisible(on);
}

}  // namespace mv4700
