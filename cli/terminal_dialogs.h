#pragma once

#include "cli/io.h"
#include "seams/dialogs.h"

namespace mv4700::cli {

class StreamStatusBox;

// The message boxes on a terminal. A notice (OK only) is printed; a question
// (OK and Cancel) is asked on standard input when it is a terminal, answered
// yes by --yes, and otherwise counted as not askable and answered Cancel.
class TerminalDialogs final : public Dialogs {
 public:
  TerminalDialogs(const Io& io, bool assumeYes, StreamStatusBox& status)
      : io_(io), assumeYes_(assumeYes), status_(status) {}

  Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) override;

  bool errorShown() const { return errorShown_; }
  bool couldNotAsk() const { return couldNotAsk_; }
  void forget() { errorShown_ = couldNotAsk_ = false; }

 private:
  bool ask(const QString& question);

  const Io& io_;
  bool assumeYes_;
  StreamStatusBox& status_;
  bool errorShown_ = false;
  bool couldNotAsk_ = false;
};

}  // namespace mv4700::cli
