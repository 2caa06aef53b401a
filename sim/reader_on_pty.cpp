#include "sim/reader_on_pty.h"

#include <fcntl.h>
#include <unistd.h>

namespace mv4700 {

ReaderOnPty::ReaderOnPty(ReaderModel::Kind kind, int baud)
    : reader_(kind, clock_), server_(reader_, clock_, line_) {
  reader_.setSerialBaud(baud);
}

ReaderOnPty::~ReaderOnPty() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
  for (int fd : control_)
    if (fd >= 0) ::close(fd);
}

bool ReaderOnPty::start(QString* error) {
  if (!line_.open(error)) return false;
  if (link_ && !link_->point(line_.slavePath(), error)) return false;
  if (::pipe2(control_, O_CLOEXEC) != 0) {
    if (error) *error = QStringLiteral("cannot make a control pipe");
    return false;
  }
  server_.setLineWatcher([this](const QString& path) {
    if (link_) link_->point(path);
    if (!path.isEmpty() && replugged_) replugged_(path);
  });
  thread_ = std::thread([this] {
    server_.serve(control_[0]);
    ended_ = true;
  });
  return true;
}

void ReaderOnPty::say(const QByteArray& text) {
  [[maybe_unused]] const auto n = ::write(control_[1], text.constData(), text.size());
}

}  // namespace mv4700
