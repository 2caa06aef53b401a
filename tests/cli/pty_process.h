#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace mv4700::testing {

// mv4700 as an operator runs it: on a real pseudo-terminal of `columns`
// columns, with standard input, output and error on it and Ctrl+C typed
// through its line discipline; `errorFile`: standard error appends to it
// instead, as with the shell's 2>>.
class PtyProcess {
 public:
  PtyProcess(const QStringList& arguments, int columns = 80, const char* term = "xterm",
             const QString& errorFile = {}) {
    const std::string errorPath = errorFile.toStdString();
    winsize size{};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(columns);
    std::vector<std::string> args{MV4700_CLI_PATH};
    for (const QString& a : arguments) args.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = ::forkpty(&master_, nullptr, nullptr, &size);
    if (pid_ == 0) {
      ::unsetenv("MV4700_COM_PORTS");
      ::setenv("TERM", term, 1);
      if (!errorPath.empty()) {
        const int fd = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd < 0 || ::dup2(fd, STDERR_FILENO) < 0) ::_exit(126);
      }
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    if (master_ >= 0) ::tcgetattr(master_, &before_);
  }
  ~PtyProcess() {
    if (pid_ > 0 && status_ < -1) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }
  PtyProcess(const PtyProcess&) = delete;
  PtyProcess& operator=(const PtyProcess&) = delete;

  bool started() const { return pid_ > 0 && master_ >= 0; }

  // Waits until `text` has appeared `times` times in what the terminal showed.
  bool waitFor(const QByteArray& text, int times = 1, int ms = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (shown_.count(text) < times) {
      if (timer.elapsed() > ms || !take(100)) return false;
    }
    return true;
  }
  // What a key press sends: "y\n", "\x03" (Ctrl+C).
  void type(const QByteArray& keys) {
    const ssize_t n = ::write(master_, keys.constData(), static_cast<size_t>(keys.size()));
    static_cast<void>(n);
  }
  void signal(int number) { ::kill(pid_, number); }

  // The exit status, 128 + the signal when one ended it; -1 on a time-out.
  int finish(int ms = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (status_ < -1 && timer.elapsed() < ms) {
      int raw = 0;
      if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
      } else {
        take(50);
      }
    }
    while (take(0)) {
    }
    return status_ < -1 ? -1 : status_;
  }

  // Whether the terminal's modes are as they were before the program ran.
  bool terminalAsBefore() const {
    termios now{};
    if (::tcgetattr(master_, &now) != 0) return false;
    return now.c_lflag == before_.c_lflag && now.c_iflag == before_.c_iflag &&
           now.c_oflag == before_.c_oflag;
  }

  const QByteArray& shown() const { return shown_; }

 private:
  // Reads what the terminal got within `ms`; false once nothing more can come.
  bool take(int ms) {
    pollfd in{master_, POLLIN, 0};
    if (::poll(&in, 1, ms) <= 0) return status_ < -1 || (in.revents & POLLIN);
    char chunk[4096];
    const ssize_t n = ::read(master_, chunk, sizeof chunk);
    if (n <= 0) return false;
    shown_.append(chunk, n);
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  int status_ = -2;
  termios before_{};
  QByteArray shown_;
};

}  // namespace mv4700::testing
