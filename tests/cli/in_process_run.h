#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdio>

#include "cli/cli.h"

namespace mv4700::testing {

// What one in-process run of mv4700 left behind.
struct CliRun {
  int status = -1;
  QString out;
  QString err;
  QStringList errLines;  // err without its empty lines
};

inline QString readAllOf(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  QByteArray bytes;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes.append(chunk, static_cast<qsizetype>(n));
  return QString::fromLocal8Bit(bytes);
}

// mv4700 `arguments` on `devices`, with `typed` on standard input and no
// terminal on either side.
inline CliRun runInProcess(cli::Devices& devices, const QStringList& arguments,
                           const QByteArray& typed = {}) {
  cli::Io io{std::tmpfile(), std::tmpfile(), std::tmpfile(), false, false};
  std::fwrite(typed.constData(), 1, static_cast<std::size_t>(typed.size()), io.in);
  std::fflush(io.in);
  std::rewind(io.in);
  CliRun r;
  r.status = cli::runCommandLine(QStringList{"mv4700"} + arguments, devices, io);
  r.out = readAllOf(io.out);
  r.err = readAllOf(io.err);
  r.errLines = r.err.split(u'\n', Qt::SkipEmptyParts);
  for (std::FILE* f : {io.in, io.out, io.err}) std::fclose(f);
  return r;
}

}  // namespace mv4700::testing
