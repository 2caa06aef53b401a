#pragma once

#include <QString>

namespace mv4700 {

// The modal message boxes. An empty title means the program's default title.
class Dialogs {
 public:
  enum class Icon { None, Critical, Question, Exclamation, Information };
  enum class Buttons { Ok, OkCancel };
  enum class Answer { Ok, Cancel };

  virtual ~Dialogs() = default;
  virtual Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) = 0;
};

}  // namespace mv4700
