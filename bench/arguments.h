#pragma once

#include <vector>

namespace mv4700::bench {

// One optional whole number a benchmark takes on its command line.
struct NumberArgument {
  int defaultValue;
  int minimum;
  int maximum;
};

// Reads a benchmark's command line: "--help" or "-h" prints `usage` on
// standard output and ends with 0. Otherwise up to numbers.size() whole
// numbers, in order and within their ranges, are taken (the rest keep their
// defaults); anything else prints `usage` on standard error and ends with 64.
std::vector<int> numbersOrExit(int argc, char** argv, const char* usage,
                               const std::vector<NumberArgument>& numbers);

// For a benchmark whose arguments are no numbers: "--help" or "-h" prints
// `usage` and ends with 0; another option (a word starting with '-') or more
// than `maxArguments` words prints it on standard error and ends with 64.
void helpOrExit(int argc, char** argv, const char* usage, int maxArguments);

}  // namespace mv4700::bench
