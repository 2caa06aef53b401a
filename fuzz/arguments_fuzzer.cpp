// Feeds arbitrary argument vectors to the command line's parser: the input's
// bytes split at each 0 byte, one argument a piece, after the program name.
// Whatever comes, the parser answers with exactly one of a command to run,
// the help, the versions or a usage error, the same each time it is asked,
// and a command it accepts keeps the rules its help states.
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "cli/arguments.h"
#include "cli/command_table.h"
#include "fuzz/fuzz_checks.h"

using namespace mv4700;
using namespace mv4700::cli;

namespace {

QStringList argumentVector(const std::uint8_t* data, std::size_t size) {
  QStringList arguments{QStringLiteral("mv4700")};
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (size == 0) return arguments;
  for (const QByteArray& piece : bytes.split('\0')) arguments << QString::fromUtf8(piece);
  return arguments;
}

bool sameAnswer(const ParsedArguments& a, const ParsedArguments& b) {
  if (a.help != b.help || a.version != b.version || a.error != b.error) return false;
  if (a.invocation.has_value() != b.invocation.has_value()) return false;
  if (!a.invocation) return true;
  const Invocation& x = *a.invocation;
  const Invocation& y = *b.invocation;
  return x.command == y.command && x.usbPath == y.usbPath && x.serialPath == y.serialPath &&
         x.baud == y.baud && x.yes == y.yes && x.json == y.json && x.watch == y.watch &&
         x.all == y.all && x.file == y.file && x.verify == y.verify && x.rescue == y.rescue &&
         x.count == y.count && x.runner == y.runner;
}

// The rules of an accepted command line, as the help states them.
void requireSound(const Invocation& inv, const QStringList& arguments) {
  const CommandRow* entry = findCommand(inv.command);
  fuzzing::require(entry != nullptr && inv.runner == entry->runner);
  fuzzing::require(arguments.contains(inv.command));
  fuzzing::require(inv.usbPath.isEmpty() || inv.serialPath.isEmpty());
  fuzzing::require(!inv.all || (inv.usbPath.isEmpty() && inv.serialPath.isEmpty()));
  if (inv.baud) {
    fuzzing::require(inv.usbPath.isEmpty());
    fuzzing::require(*inv.baud == 9600 || *inv.baud == 19200 || *inv.baud == 57600 ||
                     *inv.baud == 115200);
  }
  fuzzing::require(!inv.watch || (inv.command != u"list" && inv.command != u"test"));
  fuzzing::require(!inv.rescue || (inv.command == u"flash" && !inv.watch && !inv.all));
  fuzzing::require(!inv.count || (inv.command == u"test" && *inv.count > 0));
  fuzzing::require(inv.verify || inv.command == u"write");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QStringList arguments = argumentVector(data, size);
  const ParsedArguments parsed = parseArguments(arguments);

  const int answers = int(parsed.invocation.has_value()) + int(!parsed.help.isEmpty()) +
                      int(parsed.version) + int(!parsed.error.isEmpty());
  fuzzing::require(answers == 1);
  if (parsed.invocation) requireSound(*parsed.invocation, arguments);
  fuzzing::require(sameAnswer(parsed, parseArguments(arguments)));
  return 0;
}
