#pragma once

#include "settings/settings_fields.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

namespace mv4700 {

struct FieldControls {
  QLineEdit* text1 = nullptr;
  QComboBox* combo1 = nullptr;
  QComboBox* combo2 = nullptr;
  QLineEdit* text2 = nullptr;
  QComboBox* combo3 = nullptr;
  QLineEdit* text3 = nullptr;
  QCheckBox* check3 = nullptr;
  QComboBox* combo4 = nullptr;
  QCheckBox* check1 = nullptr;
  QCheckBox* check2 = nullptr;
};

// The settings fields on the window's controls. A list's Tag is kept in the
// control's "Tag" property.
class WidgetFields final : public SettingsFields {
 public:
  explicit WidgetFields(const FieldControls& controls) : c_(controls) {}

  QString text(Field f) const override;
  void setText(Field f, const QString& text) override;
  QString tag(Field f) const override;
  void setTag(Field f, const QString& tag) override;
  int value(Field f) const override;
  void setValue(Field f, int value) override;
  bool enabled(Field f) const override;
  void setEnabled(Field f, bool on) override;
  bool visible(Field f) const override;
  void setVisible(Field f, bool on) override;

 private:
  static constexpr const char* kTagProperty = "Tag";

  QWidget* widget(Field f) const;
  QLineEdit* textBox(Field f) const;
  QComboBox* list(Field f) const;
  QCheckBox* checkBox(Field f) const;

  FieldControls c_;
};

}  // namespace mv4700
