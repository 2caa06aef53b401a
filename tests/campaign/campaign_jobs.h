#pragma once

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <optional>

#include "tests/campaign/campaign_step.h"

namespace mv4700::testing {

// A worker's answer for one step, one line: "STEP STATUS SECONDS RESCUED VERDICT".
QByteArray outcomeLine(int step, const StepOutcome& outcome);
std::optional<std::pair<int, StepOutcome>> parseOutcomeLine(const QByteArray& line);

// Serves steps for a coordinator: reads step numbers from standard input,
// one a line, and answers each with its outcome line, until input ends.
// `usbOnly`: every step over USB (drawStep).
int serveSteps(unsigned seed, bool usbOnly);

// Runs steps `from` to `last` on `jobs` worker processes (this program with
// `workerArguments`), each with its own emulator and pseudo-terminal. Steps
// are handed out one at a time as workers come free; `report` sees every
// outcome in step order, whatever the number of workers. False when a
// worker could not be started.
bool runSteps(const QStringList& workerArguments, int jobs, int from, int last,
              const std::function<void(int step, const StepOutcome&)>& report);

}  // namespace mv4700::testing
