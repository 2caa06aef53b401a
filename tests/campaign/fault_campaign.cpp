// A randomized fault campaign: mv4700 against mv4700-sim on a
// pseudo-terminal at wire time, one command and one fault a step, with the
// oracles checked after every step. Exit status 1 when any oracle failed.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <cstdio>
#include <random>

#include "tests/campaign/campaign_jobs.h"
#include "tests/campaign/campaign_plan.h"
#include "tests/campaign/campaign_step.h"

using namespace mv4700::testing;

namespace {

// Outcomes of the steps with one fault: exit 0, a clean failure, a rescue
// needed after it, an oracle failed.
struct Tally {
  int succeeded = 0;
  int failedCleanly = 0;
  int rescued = 0;
  int oracleFailed = 0;
};

void printTable(const QMap<QString, Tally>& table) {
  std::printf("\n%-22s %8s %8s %8s %8s\n", "fault", "exit 0", "failed", "rescued", "ORACLE");
  Tally all;
  for (auto it = table.cbegin(); it != table.cend(); ++it) {
    const Tally& t = it.value();
    std::printf("%-22s %8d %8d %8d %8d\n", qPrintable(it.key()), t.succeeded, t.failedCleanly,
                t.rescued, t.oracleFailed);
    all.succeeded += t.succeeded;
    all.failedCleanly += t.failedCleanly;
    all.rescued += t.rescued;
    all.oracleFailed += t.oracleFailed;
  }
  std::printf("%-22s %8d %8d %8d %8d\n", "all", all.succeeded, all.failedCleanly, all.rescued,
              all.oracleFailed);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Runs mv4700 against mv4700-sim with random commands and faults.");
  parser.addHelpOption();
  const QCommandLineOption seedOption("seed", "Seed of the run.", "N", "1");
  const QCommandLineOption stepsOption("steps", "Number of steps.", "N", "150");
  const QCommandLineOption fromOption("from", "First step to run.", "N", "1");
  const QCommandLineOption jobsOption("jobs", "Steps run at once, each on an emulator of its own.",
                                      "N", "1");
  const QCommandLineOption usbOnlyOption(
      "usb-only", "Only the USB steps: each step is run as the USB step it would be.");
  QCommandLineOption workerOption("worker", "Serve the steps named on standard input.");
  workerOption.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOptions({seedOption, stepsOption, fromOption, jobsOption, usbOnlyOption, workerOption});
  parser.process(app);
  const unsigned seed = parser.value(seedOption).toUInt();
  const int steps = parser.value(stepsOption).toInt();
  const int from = parser.value(fromOption).toInt();
  const int last = from + steps - 1;
  const int jobs = parser.value(jobsOption).toInt();
  const bool usbOnly = parser.isSet(usbOnlyOption);
  if (parser.isSet(workerOption)) return serveSteps(seed, usbOnly);
  if (jobs < 1 || from < 1 || steps < 1) {
    std::fprintf(stderr, "fault_campaign: --jobs, --from and --steps must be at least 1\n");
    return 2;
  }

  QElapsedTimer wall;
  wall.start();
  QMap<QString, Tally> table;
  QStringList failures;
  int hangs = 0, falseSuccesses = 0, unrecoverable = 0;
  const auto report = [&](int step, const StepOutcome& o) {
    // The plan is drawn again here from the step's own generators.
    const Plan plan = drawStep(seed, step, CampaignBench::kImageFrames, usbOnly).plan;
    const QString command = (plan.usb ? "usb " : "") + commandName(plan.command);
    // A USB step's seconds are virtual: mv4700 runs in process on a test clock.
    std::printf(plan.usb ? "seed %u step %d %-12s %-22s exit %4d %6.2f s %s\n"
                         : "seed %u step %d %-8s %-22s exit %4d %6.2f s %s\n",
                seed, step, qPrintable(command), qPrintable(plan.fault.name), o.status, o.seconds,
                qPrintable(o.verdict));
    std::fflush(stdout);
    Tally& t = table[plan.fault.name];
    if (o.failed()) {
      ++t.oracleFailed;
      failures << QStringLiteral("--seed %1 --from %2 --steps 1%3: %4 %5: %6")
                      .arg(seed)
                      .arg(step)
                      .arg(usbOnly ? " --usb-only" : "", command, plan.fault.name, o.verdict);
      hangs += o.verdict.startsWith("hang");
      falseSuccesses += o.verdict.startsWith("false success");
      unrecoverable += o.verdict.startsWith("unrecoverable");
    } else if (o.status == 0) {
      ++t.succeeded;
    } else {
      ++t.failedCleanly;
    }
    t.rescued += o.rescued;
  };
  QStringList workerArguments{"--worker", "--seed", QString::number(seed)};
  if (usbOnly) workerArguments << "--usb-only";
  if (!runSteps(workerArguments, jobs, from, last, report)) return 2;
  printTable(table);
  std::printf(
      "\nsteps %d, false successes %d, hangs %d, unrecoverable readers %d, other oracle "
      "failures %d, wall time %.0f s\n",
      steps, falseSuccesses, hangs, unrecoverable,
      static_cast<int>(failures.size()) - falseSuccesses - hangs - unrecoverable,
      static_cast<double>(wall.elapsed()) / 1000);
  for (const QString& failure : failures)
    std::printf("reproduce: fault_campaign %s\n", qPrintable(failure));
  return failures.isEmpty() ? 0 : 1;
}
