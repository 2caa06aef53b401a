#pragma once

#include <array>
#include <span>

#include "cli/run_context.h"

namespace mv4700::cli {

// One option of the command line.
struct OptionRow {
  const char* shortName;  // "" when it has none
  const char* longName;
  const char* valueName;    // nullptr for a switch
  const char* description;  // one line of the help
};

// One command: what the help, the parser and the runner choice know of it.
struct CommandRow {
  const char* name;
  const char* synopsis;
  const char* summary;                 // one line of the tool's help
  const char* details;                 // the command's own help
  int files;                           // positional arguments after the command
  std::span<const OptionRow> options;  // its own options, beside the global ones
  Runner runner;
};

// The options every command takes.
std::span<const OptionRow> globalOptions();
// Every command, in the order the help lists them.
std::span<const CommandRow> commands();
// The command called `name`, or nullptr.
const CommandRow* findCommand(const QString& name);
// Whether `word` (as typed: "--usb", "-o") is an option that takes a value.
bool takesValue(const QString& word);

}  // namespace mv4700::cli
