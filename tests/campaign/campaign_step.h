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

// One emulated reader and the files of the steps run against it; after
// every step it checks the reader with fault-free commands.
class CampaignBench {
 public:
  CampaignBench();
  bool ready() const { return reader_ && reader_->started(); }
  int imageFrames() const { return kImageFrames; }

  // Draws what it needs from `random`, the step's own generator.
  StepOutcome run(const Plan& plan, int step, std::mt19937& random);

 private:
  static constexpr int kImageFrames = 300;

  struct Known {
    bool answered = false;
    bool rescued = false;
    QString version;
    QByteArray settings;
    QString problem;
  };

  void startReader();
  QString stepPath(const QString& name) const { return dir_.filePath("step/" + name); }
  QByteArray randomSettingsFile();
  void leaveInLoader(const QString& image);
  CliRun rescue(const QString& image, double bound, bool cut);
  Known checkReader(bool versionAsked);
  QString checkStep(const Plan& plan, const CliRun& run, const Known& known);

  std::mt19937* random_ = nullptr;
  QTemporaryDir dir_;
  std::unique_ptr<CampaignReader> reader_;
  QString baseImage_;
  // What the step asked the reader to hold.
  QByteArray askedSettings_;
  QString askedVersion_;
  bool interrupted_ = false;
  QString knownVersion_;  // the version read after the last update
};

}  // namespace mv4700::testing
