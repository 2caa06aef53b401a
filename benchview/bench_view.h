#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "benchview/queued_bench_report.h"
#include "benchview/reader_table.h"
#include "fileaction/file_actions.h"
#include "fleet/bench_devices.h"
#include "seams/status_box.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace mv4700 {

class Dialogs;
class FileChooser;
class SettingsFields;
class WorkerThread;

// What the bench view works with from the main window.
struct BenchViewLinks {
  BenchDevices devices;
  SettingsFields& fields;  // the main window's settings, written by "Write settings"
  Dialogs& dialogs;        // the main window's message boxes
  // Disables (false) or enables again the main window's menus that reach a
  // reader: one owner holds the devices at a time.
  std::function<void(bool enabled)> setMainMenusEnabled;
  QWidget* mainWindow = nullptr;
};

// "All readers": every reader on the bench in a table that follows the bench
// by itself, the commands that run on all of them (or the selected rows) at
// once through the bench engine, each reader's own status lines and a summary.
// Searches and commands run on threads of their own; what they report comes
// to this window on its own thread.
class BenchView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPollMilliseconds = 1000;

  BenchView(BenchViewLinks links, QWidget* parent = nullptr);
  ~BenchView() override;

  // The flash of the image at `filePath` on the chosen readers, after its
  // check and one question; what the chooser's confirmation runs.
  void flashImage(const QString& filePath);
  bool commandRunning() const { return running_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildLayout();
  void poll();
  void searched(const std::vector<BenchReader>& found, const QStringList& versions);
  // Runs `job` on `rows` once no search holds the devices.
  void run(const std::vector<int>& rows, ReaderJob job, bool transfer);
  void start(const std::vector<int>& rows, ReaderJob job, bool transfer);
  void finished();
  void setBusy(bool busy);
  // True when a close may go on now; otherwise the transfers were asked to
  // stop (if the operator agreed) and `closeLater` runs once they ended.
  bool mayClose(std::function<void()> closeLater);
  std::vector<BenchReader> readersOf(const std::vector<int>& rows) const;
  void showLog();
  void showSummary();

  void onStarted(int index);
  void onLine(int index, const QString& line);
  void onProgress(int index, std::int64_t done, std::int64_t total);
  void onEnded(int index, const BenchEnd& end);

  BenchViewLinks links_;
  QTableWidget* tableWidget_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QLabel* summary_ = nullptr;
  QPushButton* write_ = nullptr;
  QPushButton* version_ = nullptr;
  QPushButton* reset_ = nullptr;
  QPushButton* flash_ = nullptr;
  QPushButton* stop_ = nullptr;
  std::unique_ptr<ReaderTable> table_;

  QTimer pollTimer_;
  std::unique_ptr<WorkerThread> search_;
  std::function<void()> afterSearch_;

  QueuedBenchReport report_;
  std::unique_ptr<BenchEngine> engine_;
  std::vector<int> commandRows_;  // reader number in the engine -> table row
  std::vector<BenchReader> commandReaders_;
  ReaderJob job_;
  std::unique_ptr<WorkerThread> conductor_;
  bool running_ = false;
  bool transfer_ = false;
  int done_ = 0;
  int failed_ = 0;
  double seconds_ = 0;
  std::function<void()> afterCommand_;

  SilentStatusBox chooserStatus_;
  FileActions fileActions_;
  std::unique_ptr<FileChooser> chooser_;
};

}  // namespace mv4700
