#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <random>

#include "tests/campaign/campaign_plan.h"
#include "tests/campaign/campaign_reader.h"
#include "tests/campaign/campaign_run.h"

namespace mv4700::testing {

// What one step came to. `verdict` is "ok" or names the oracle that failed.
struct StepOutcome {
  int status = -1;
  double seconds = 0;
  QString verdict;
  bool rescued = false;  // the reader needed a rescue to answer again
  bool failed() const { return verdict != u"ok"; }
};

// A whole file's bytes (empty when it cannot be read), and a whole file
// written.
QByteArray fileBytes(const QString& path);
bool putBytes(const QString& path, const QByteArray& bytes);

// A settings file of one of four kinds (defaults, the worked example, non
// defaults with a random prefix), drawn from `random`.
QByteArray randomSettingsFile(std::mt19937& random);

// The files of the steps and, for each step, an emulated reader of its own,
// so that a step's outcome does not depend on the steps run before it; after
// every step it checks the reader with fault-free commands.
class CampaignBench {
 public:
  static constexpr int kImageFrames = 300;

  CampaignBench();

  // Draws what it needs from `random`, the step's own generator, the
  // reader's speed first.
  StepOutcome run(const Plan& plan, int step, std::mt19937& random);

 private:
  struct Known {
    bool answered = false;
    bool rescued = false;
    QString version;
    QByteArray settings;
    QString problem;
  };

  void startReader(int baud);
  QString stepPath(const QString& name) const { return dir_.filePath("step/" + name); }
  void leaveInLoader(const QString& image);
  CommandRun rescue(const QString& image, double bound, bool cut);
  Known checkReader(bool versionAsked);
  QString checkStep(const Plan& plan, const CommandRun& run, const Known& known);

  std::mt19937* random_ = nullptr;
  QTemporaryDir dir_;
  std::unique_ptr<CampaignReader> reader_;
  QString baseImage_;
  // What the step asked the reader to hold.
  QByteArray askedSettings_;
  QString askedVersion_;
  bool interrupted_ = false;
  QString knownVersion_;  // the version the reader was last seen with
};

}  // namespace mv4700::testing
