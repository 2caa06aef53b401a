#pragma once

#include <QList>
#include <QString>

#include "seams/dialogs.h"

namespace mv4700::testing {

// Answers message boxes from a script (OK once the script runs out) and keeps
// what was shown.
class ScriptedDialogs final : public Dialogs {
 public:
  struct Shown {
    Icon icon;
    Buttons buttons;
    QString title;
    QString text;
  };

  Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) override {
    shown.append({icon, buttons, title, text});
    return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
  }

  QList<Answer> answers;
  QList<Shown> shown;
};

}  // namespace mv4700::testing
