#include "cli/terminal_dialogs.h"

#include <poll.h>
#include <unistd.h>

#include <QStringList>
#include <cerrno>

#include "cli/signals.h"
#include "cli/stream_status_box.h"

namespace mv4700::cli {

namespace {

// How long one look at the keyboard sleeps; Ctrl+C wakes it at once.
constexpr int kAnswerPollMs = 250;

// A box's text on one line: its line breaks become blanks.
QString oneLine(const QString& text) {
  return text.simplified();
}

// A question as the terminal shows it: its own lines (trailing blanks and
// empty last lines left out), the title before the first, then the answer's
// prompt on a line of its own.
QString questionLines(const QString& title, const QString& text) {
  QStringList lines = text.split(u'\n');
  for (QString& line : lines) {
    while (!line.isEmpty() && line.back().isSpace()) line.chop(1);
  }
  while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  if (!title.isEmpty()) {
    if (lines.isEmpty()) lines << QString();
    lines.first() = title + QStringLiteral(": ") + lines.first();
  }
  return lines.join(u'\n') + QStringLiteral("\n[y/N] ");
}

void writeAll(int fd, const QByteArray& bytes) {
  for (qsizetype done = 0; done < bytes.size();) {
    const ssize_t n =
        ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += n;
  }
}

}  // namespace

Dialogs::Answer TerminalDialogs::show(Icon, Buttons buttons, const QString& title,
                                      const QString& text) {
  const QString shown =
      (title.isEmpty() ? QString() : title + QStringLiteral(": ")) + oneLine(text);
  if (buttons == Buttons::Ok) {
    status_.note(shown);
    return Answer::Ok;
  }
  if (answeredForAll_) return Answer::Ok;
  if (assumeYes_) {
    status_.note(shown + QStringLiteral(" yes (--yes)"));
    return Answer::Ok;
  }
  if (!io_.inIsTerminal || !io_.errIsTerminal) {
    couldNotAsk_ = true;
    status_.note(
        QStringLiteral("mv4700: cannot ask \"") + shown + QStringLiteral("\": ") +
        (io_.inIsTerminal ? QStringLiteral("standard error") : QStringLiteral("standard input")) +
        QStringLiteral(" is not a terminal; add --yes. Nothing was sent."));
    return Answer::Cancel;
  }
  return ask(questionLines(title, text)) ? Answer::Ok : Answer::Cancel;
}

bool TerminalDialogs::ask(const QString& question) {
  const InterruptCatcher catcher;
  const int presses = InterruptCatcher::count();
  std::fflush(io_.err);
  writeAll(::fileno(io_.err), question.toLocal8Bit());
  // Byte by byte, so that nothing past the answer is taken from the terminal.
  const int fd = ::fileno(io_.in);
  QByteArray answer;
  while (InterruptCatcher::count() == presses) {
    pollfd in{fd, POLLIN, 0};
    if (::poll(&in, 1, kAnswerPollMs) <= 0) continue;
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || c == '\n') break;
    answer += c;
  }
  if (InterruptCatcher::count() != presses) {
    interrupted_ = true;
    writeAll(::fileno(io_.err), "\n");
    return false;
  }
  const QString reply = QString::fromLocal8Bit(answer).trimmed().toLower();
  return reply == u"y" || reply == u"yes";
}

}  // namespace mv4700::cli
