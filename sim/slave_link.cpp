#include "sim/slave_link.h"

#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mv4700 {

bool SlaveLink::point(const QString& target, QString* error) {
  const QByteArray link = QFile::encodeName(linkPath_);
  if (target.isEmpty()) {
    ::unlink(link.constData());
    return true;
  }
  // A new link under a temporary name, then renamed over the old one: a
  // reader of the path never finds it missing or half made.
  const QByteArray temporary = link + ".new";
  ::unlink(temporary.constData());
  if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0 ||
      ::rename(temporary.constData(), link.constData()) != 0) {
    if (error) *error = QStringLiteral("%1: %2").arg(linkPath_, std::strerror(errno));
    ::unlink(temporary.constData());
    return false;
  }
  return true;
}

}  // namespace mv4700
