#include "app/text_box_validator.h"

#include <algorithm>

namespace mv4700 {

namespace {
qsizetype charactersOutsideLatin1(const QString& text) {
  return std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; });
}
}  // namespace

TextBoxValidator::TextBoxValidator(QLineEdit* box, int limit)
    : QValidator(box), limit_(limit), accepted_(box->text()) {
  connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { accepted_ = text; });
}

QValidator::State TextBoxValidator::validate(QString& input, int&) const {
  const bool tooLong = input.size() > std::max<qsizetype>(limit_, accepted_.size());
  const bool foreign = charactersOutsideLatin1(input) > charactersOutsideLatin1(accepted_);
  return tooLong || foreign ? Invalid : Acceptable;
}

void setTextUnchecked(QLineEdit* box, const QString& text) {
  // Checked, a longer text would mark the box invalid, and a box marked invalid
  // takes any typed character; so the check is off while the program writes.
  const QValidator* validator = box->validator();
  box->setValidator(nullptr);
  box->setText(text);
  box->setValidator(validator);
}

}  // namespace mv4700
