#pragma once

#include <QMap>
#include <QStringList>

#include "settings/settings_fields.h"

namespace mv4700 {

// The settings fields as a plain record, with the lists and defaults of the
// main window: the command line's settings, and the tests' fields.
class PlainFields final : public SettingsFields {
 public:
  PlainFields();

  QString text(Field f) const override { return state_[f].text; }
  void setText(Field f, const QString& text) override;
  QString tag(Field f) const override { return state_[f].tag; }
  void setTag(Field f, const QString& tag) override { state_[f].tag = tag; }
  int value(Field f) const override { return state_[f].value; }
  void setValue(Field f, int value) override { state_[f].value = value; }
  bool enabled(Field f) const override { return state_[f].enabled; }
  void setEnabled(Field f, bool on) override { state_[f].enabled = on; }
  bool visible(Field f) const override { return state_[f].visible; }
  void setVisible(Field f, bool on) override { state_[f].visible = on; }

  struct State {
    QString text;
    QString tag;
    int value = 0;
    bool enabled = true;
    bool visible = true;
    QStringList items;  // list fields only
    friend bool operator==(const State&, const State&) = default;
  };
  const State& state(Field f) const { return state_[f]; }

 private:
  mutable QMap<Field, State> state_;
};

}  // namespace mv4700
