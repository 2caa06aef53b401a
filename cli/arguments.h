#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace mv4700::cli {

struct RunContext;
// One command on one reader; returns its exit status.
using Runner = int (*)(RunContext&);

// What the command line was asked to do.
struct Invocation {
  QString command;  // list, read, write, reset, version, flash, test
  QString usbPath;
  QString serialPath;
  std::optional<int> baud;
  bool yes = false;
  bool json = false;
  bool watch = false;
  bool all = false;          // every reader on the bench at once
  QString file;              // write: the settings file; flash: the image; read: -o
  bool verify = true;        // write: read the settings back and compare them
  bool rescue = false;       // flash: a reader left in its loader
  std::optional<int> count;  // test
  Runner runner = nullptr;   // the command's own, from the command table
};

struct ParsedArguments {
  std::optional<Invocation> invocation;
  QString help;          // set when --help was asked for: print it and end
  bool version = false;  // --version: print the versions and end
  QString error;         // set on a usage error
  QString command;       // the command word as typed; empty when there is none
  bool json = false;     // --json is on the line: a usage error is printed as JSON too
};

// `arguments` starts with the program name, as QCoreApplication::arguments().
ParsedArguments parseArguments(const QStringList& arguments);

}  // namespace mv4700::cli
