#include "cli/terminal_dialogs.h"

#include "cli/stream_status_box.h"

namespace mv4700::cli {

namespace {

// A box's text on one line: its line breaks become blanks.
QString oneLine(const QString& text) {
  return text.simplified();
}

}  // namespace

Dialogs::Answer TerminalDialogs::show(Icon icon, Buttons buttons, const QString& title,
                                      const QString& text) {
  const QString shown =
      (title.isEmpty() ? QString() : title + QStringLiteral(": ")) + oneLine(text);
  if (buttons == Buttons::Ok) {
    if (icon == Icon::Critical) errorShown_ = true;
    status_.note(shown);
    return Answer::Ok;
  }
  if (assumeYes_) {
    status_.note(shown + QStringLiteral(" yes (--yes)"));
    return Answer::Ok;
  }
  if (!io_.inIsTerminal) {
    couldNotAsk_ = true;
    status_.note(
        QStringLiteral("mv4700: cannot ask \"") + shown +
        QStringLiteral("\": standard input is not a terminal; add --yes. Nothing was sent."));
    return Answer::Cancel;
  }
  return ask(shown) ? Answer::Ok : Answer::Cancel;
}

bool TerminalDialogs::ask(const QString& question) {
  const QByteArray prompt = (question + QStringLiteral(" [y/N] ")).toLocal8Bit();
  std::fwrite(prompt.constData(), 1, static_cast<std::size_t>(prompt.size()), io_.err);
  std::fflush(io_.err);
  char answer[64] = {};
  if (!std::fgets(answer, sizeof answer, io_.in)) return false;
  const QString reply = QString::fromLocal8Bit(answer).trimmed().toLower();
  return reply == u"y" || reply == u"yes";
}

}  // namespace mv4700::cli
