#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>

#include "tests/campaign/campaign_plan.h"
#include "tests/campaign/campaign_step.h"

namespace mv4700::testing {

// The exit status of a worker whose watchdog found a USB step still running
// after its wall time: the coordinator reports that step as a hang.
constexpr int kWatchdogExit = 124;

// Ends the worker process when a step runs past a wall time: a USB step runs
// mv4700 in process, which a bound cannot kill as it kills a process.
class WallWatchdog {
 public:
  WallWatchdog();
  ~WallWatchdog();
  WallWatchdog(const WallWatchdog&) = delete;
  WallWatchdog& operator=(const WallWatchdog&) = delete;

  void arm(int step, double seconds);
  void disarm();

 private:
  void watch();

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool armed_ = false;
  int step_ = 0;
  double seconds_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};

// A USB step: mv4700 in process against one emulated reader on the
// emulator's HID library, on virtual time; a fresh reader every step. After
// the command, with the faults cleared, fault-free commands check the reader
// (a rescue through a power cycle where the program is gone), and the
// oracles look at the ReaderModel itself.
class UsbBench {
 public:
  static constexpr int kImageLength = 300;
  static constexpr double kWallSeconds = 120;

  UsbBench();

  // Draws what it needs from `random`, the step's own generator.
  StepOutcome run(const Plan& plan, int step, std::mt19937& random);

 private:
  struct Rig;
  struct Known;

  QString stepPath(const QString& name) const { return dir_.filePath("usbstep/" + name); }
  StepOutcome runStep(const Plan& plan, int step, std::mt19937& random);
  void leaveInLoader(Rig& rig, const QString& image, std::mt19937& random);
  Known checkReader(Rig& rig);

  QTemporaryDir dir_;
  QString baseImage_;
  WallWatchdog watchdog_;
};

}  // namespace mv4700::testing
