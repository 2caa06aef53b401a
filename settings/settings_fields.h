#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace mv4700 {

// The ten controls of the main window that hold the reader settings, in the
// order of the settings file's sections.
enum class Field { Text1, Combo1, Combo2, Text2, Combo3, Text3, Check3, Combo4, Check1, Check2 };

inline constexpr std::array<Field, 10> kAllFields{Field::Text1,  Field::Combo1, Field::Combo2,
                                                  Field::Text2,  Field::Combo3, Field::Text3,
                                                  Field::Check3, Field::Combo4, Field::Check1,
                                                  Field::Check2};

inline constexpr int kTextFieldLimit = 7;

// The settings fields as the core sees them; the controls stay the only record.
//  text:  a text box's text, or the entry a list shows. setText on a list selects
//         the entry with exactly that text (no match leaves the list as it was).
//  tag:   the decimal code that Combo3 and Combo4 keep beside the entry shown.
//  value: a check box's value, 0 or 1.
class SettingsFields {
 public:
  virtual ~SettingsFields() = default;
  virtual QString text(Field f) const = 0;
  virtual void setText(Field f, const QString& text) = 0;
  virtual QString tag(Field f) const = 0;
  virtual void setTag(Field f, const QString& tag) = 0;
  virtual int value(Field f) const = 0;
  virtual void setValue(Field f, int value) = 0;
  virtual bool enabled(Field f) const = 0;
  virtual void setEnabled(Field f, bool on) = 0;
  virtual bool visible(Field f) const = 0;
  virtual void setVisible(Field f, bool on) = 0;
};

}  // namespace mv4700
