#pragma once

#include <QLineEdit>
#include <QValidator>

namespace mv4700 {

// Guards what the user types into a settings text box: no character beyond
// the limit and none outside Latin-1, which the reader cannot store. A text the
// program put there (a reader's reply may be longer) stays, and may be
// shortened by hand but not lengthened.
class TextBoxValidator final : public QValidator {
  Q_OBJECT
 public:
  TextBoxValidator(QLineEdit* box, int limit);
  State validate(QString& input, int& pos) const override;

 private:
  int limit_;
  QString accepted_;  // the box's text before the edit being checked
};

// Puts `text` into a guarded box unchanged, whatever its length.
void setTextUnchecked(QLineEdit* box, const QString& text);

}  // namespace mv4700
