#pragma once

#include "cli/io.h"
#include "seams/dialogs.h"

namespace mv4700::cli {

class StreamStatusBox;

// The message boxes on a terminal. A notice (OK only) is printed; a question
// (OK and Cancel) is asked when standard input and standard error are both
// terminals, answered yes by --yes, and otherwise counted as not askable and
// answered Cancel. Ctrl+C at a question answers Cancel and is remembered.
class TerminalDialogs final : public Dialogs {
 public:
  TerminalDialogs(const Io& io, bool assumeYes, StreamStatusBox& status)
      : io_(io), assumeYes_(assumeYes), status_(status) {}

  Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) override;

  // Why the last question got Cancel, when it was not the operator's "no".
  bool couldNotAsk() const { return couldNotAsk_; }
  bool interrupted() const { return interrupted_; }
  void forget() { couldNotAsk_ = interrupted_ = false; }
  // The question was asked once for many readers, and answered yes: each
  // reader's own copy of it is answered yes without a line.
  void answeredForAll() { answeredForAll_ = true; }

 private:
  // Shows `question` (its lines and the prompt) and reads the answer.
  bool ask(const QString& question);

  const Io& io_;
  bool assumeYes_;
  StreamStatusBox& status_;
  bool couldNotAsk_ = false;
  bool interrupted_ = false;
  bool answeredForAll_ = false;
};

}  // namespace mv4700::cli
