#include "bench/arguments.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace mv4700::bench {

namespace {

constexpr int kUsageError = 64;

[[noreturn]] void printUsage(const char* usage, bool asked) {
  std::fputs(usage, asked ? stdout : stderr);
  std::exit(asked ? 0 : kUsageError);
}

bool isHelp(const char* word) {
  return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
}

}  // namespace

std::vector<int> numbersOrExit(int argc, char** argv, const char* usage,
                               const std::vector<NumberArgument>& numbers) {
  std::vector<int> values;
  for (const NumberArgument& n : numbers) values.push_back(n.defaultValue);
  for (int i = 1; i < argc; ++i)
    if (isHelp(argv[i])) printUsage(usage, true);
  if (argc - 1 > static_cast<int>(numbers.size())) printUsage(usage, false);
  for (int i = 1; i < argc; ++i) {
    const NumberArgument& n = numbers[static_cast<std::size_t>(i - 1)];
    std::size_t used = 0;
    long value = -1;
    try {
      value = std::stol(argv[i], &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || argv[i][used] != '\0' || value < n.minimum || value > n.maximum) {
      std::fprintf(stderr, "%s: %s is not a number from %d to %d\n", argv[0], argv[i], n.minimum,
                   n.maximum);
      printUsage(usage, false);
    }
    values[static_cast<std::size_t>(i - 1)] = static_cast<int>(value);
  }
  return values;
}

void helpOrExit(int argc, char** argv, const char* usage, int maxArguments) {
  for (int i = 1; i < argc; ++i)
    if (isHelp(argv[i])) printUsage(usage, true);
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] == '-') printUsage(usage, false);
  if (argc - 1 > maxArguments) printUsage(usage, false);
}

}  // namespace mv4700::bench
