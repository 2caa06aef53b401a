#include "benchview/bench_view.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include "chooser/file_chooser.h"
#include "firmware/firmware_image.h"
#include "fleet/bench_jobs.h"
#include "fleet/bench_questions.h"
#include "fleet/worker_thread.h"

namespace mv4700 {

BenchView::BenchView(BenchViewLinks links, QWidget* parent)
    : QWidget(parent, Qt::Window),
      links_(std::move(links)),
      report_(*this, {[this](int i) { onStarted(i); },
                      [this](int i, const QString& line) { onLine(i, line); },
                      [this](int i, std::int64_t d, std::int64_t t) { onProgress(i, d, t); },
                      [this](int i, const BenchEnd& end) { onEnded(i, end); }}),
      fileActions_({[](const QString&) {}, [](const QString&) {},
                    [this](const QString& path) { flashImage(path); }}) {
  buildLayout();
  chooser_ = std::make_unique<FileChooser>(fileActions_, chooserStatus_, links_.dialogs);

  pollTimer_.setSingleShot(true);
  pollTimer_.setInterval(kPollMilliseconds);
  connect(&pollTimer_, &QTimer::timeout, this, &BenchView::poll);

  const auto onClick = [this](QPushButton* b, auto handler) {
    connect(b, &QPushButton::clicked, this, handler);
  };
  onClick(write_, [this] { run(table_->chosenRows(), writeSettingsJob(links_.fields), false); });
  onClick(version_, [this] { run(table_->chosenRows(), readVersionJob(), false); });
  onClick(reset_, [this] {
    const std::vector<int> rows = table_->chosenRows();
    if (rows.empty() || confirmBenchReset(links_.dialogs, readersOf(rows)) != Outcome::Done) return;
    run(rows, resetJob(), false);
  });
  onClick(flash_, [this] { chooser_->showFor(ChooserMode::FirmwareUpdate, this); });
  onClick(stop_, [this] {
    if (running_ && transfer_ && confirmStopTransfers(links_.dialogs)) engine_->requestStop();
  });
  connect(tableWidget_, &QTableWidget::itemSelectionChanged, this, &BenchView::showLog);
  if (links_.mainWindow) links_.mainWindow->installEventFilter(this);
}

BenchView::~BenchView() {
  // Every transfer ends through its closing steps before the window goes.
  if (engine_) engine_->requestStop();
  conductor_.reset();
  search_.reset();
}

void BenchView::flashImage(const QString& filePath) {
  const std::vector<int> rows = table_->chosenRows();
  if (rows.empty() || running_) return;
  const auto image = std::make_unique<FirmwareImage>();
  if (confirmBenchImage(*image, links_.dialogs, readersOf(rows), filePath) != Outcome::Done) return;
  run(rows, flashJob(*image), true);
}

void BenchView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!running_ && !search_) poll();
}

void BenchView::hideEvent(QHideEvent* event) {
  pollTimer_.stop();
  QWidget::hideEvent(event);
}

void BenchView::closeEvent(QCloseEvent* event) {
  if (mayClose([this] { close(); })) {
    event->accept();
    return;
  }
  event->ignore();
}

bool BenchView::eventFilter(QObject* watched, QEvent* event) {
  // The main window's close ends the program: not while readers are served.
  if (watched == links_.mainWindow && event->type() == QEvent::Close &&
      !mayClose([this] { links_.mainWindow->close(); })) {
    event->ignore();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool BenchView::mayClose(std::function<void()> closeLater) {
  if (!running_) return true;
  // A settings command ends by itself within its waits; a transfer stops only
  // when the operator agrees, through its closing steps.
  if (!transfer_ || confirmStopTransfers(links_.dialogs)) {
    if (transfer_) engine_->requestStop();
    afterCommand_ = std::move(closeLater);
  }
  return false;
}

void BenchView::poll() {
  if (running_ || search_ || !isVisible()) return;
  const QStringList known = table_->namesWithVersion();
  const BenchDevices devices = links_.devices;
  search_ = std::make_unique<WorkerThread>([this, known, devices] {
    const std::vector<BenchReader> found = searchBench(devices);
    const BackendsFor backends = pinnedBackends(devices);
    QStringList versions;
    for (const BenchReader& r : found)
      versions << (known.contains(r.name) ? QString() : benchReaderVersion(r, backends));
    QMetaObject::invokeMethod(
        this, [this, found, versions] { searched(found, versions); }, Qt::QueuedConnection);
  });
}

void BenchView::searched(const std::vector<BenchReader>& found, const QStringList& versions) {
  search_.reset();
  table_->follow(found, versions);
  showLog();
  if (afterSearch_) {
    std::function<void()> next = std::move(afterSearch_);
    afterSearch_ = nullptr;
    next();
  }
  if (!running_ && isVisible()) pollTimer_.start();
}

std::vector<BenchReader> BenchView::readersOf(const std::vector<int>& rows) const {
  std::vector<BenchReader> readers;
  for (int row : rows) readers.push_back(table_->reader(row));
  return readers;
}

void BenchView::run(const std::vector<int>& rows, ReaderJob job, bool transfer) {
  if (rows.empty() || running_) return;
  setBusy(true);
  pollTimer_.stop();
  // The rows are names: a search still running may move them.
  const std::vector<BenchReader> readers = readersOf(rows);
  const auto go = [this, readers, job = std::move(job), transfer] {
    std::vector<int> now;
    for (const BenchReader& r : readers)
      for (int row = 0; row < table_->count(); ++row)
        if (table_->reader(row).name == r.name) now.push_back(row);
    start(now, job, transfer);
  };
  if (search_) {
    afterSearch_ = go;
    return;
  }
  go();
}

void BenchView::start(const std::vector<int>& rows, ReaderJob job, bool transfer) {
  if (rows.empty()) {
    setBusy(false);
    pollTimer_.start();
    return;
  }
  running_ = true;
  transfer_ = transfer;
  done_ = failed_ = 0;
  seconds_ = 0;
  commandRows_ = rows;
  commandReaders_ = readersOf(rows);
  job_ = std::move(job);
  table_->releaseAll();
  for (int row : rows) {
    table_->setState(row, QStringLiteral("waiting"));
    table_->startLines(row);
    table_->versionChanges(row);
    table_->clearProgress(row);
  }
  showLog();
  showSummary();
  stop_->setEnabled(transfer);
  engine_ = std::make_unique<BenchEngine>(pinnedBackends(links_.devices), report_);
  conductor_ = std::make_unique<WorkerThread>([this] {
    engine_->run(commandReaders_, job_);
    QMetaObject::invokeMethod(
        this, [this] { finished(); }, Qt::QueuedConnection);
  });
}

void BenchView::finished() {
  conductor_.reset();
  engine_.reset();
  running_ = false;
  transfer_ = false;
  setBusy(false);
  if (afterCommand_) {
    std::function<void()> next = std::move(afterCommand_);
    afterCommand_ = nullptr;
    next();
  }
  if (isVisible()) pollTimer_.start();
}

void BenchView::setBusy(bool busy) {
  for (QPushButton* b : {write_, version_, reset_, flash_}) b->setEnabled(!busy);
  if (!busy) stop_->setEnabled(false);
  if (links_.setMainMenusEnabled) links_.setMainMenusEnabled(!busy);
}

void BenchView::onStarted(int index) {
  table_->setState(commandRows_[static_cast<std::size_t>(index)], QStringLiteral("running"));
}

void BenchView::onLine(int index, const QString& line) {
  const int row = commandRows_[static_cast<std::size_t>(index)];
  table_->addLine(row, line);
  if (tableWidget_->currentRow() == row) log_->appendPlainText(line);
}

void BenchView::onProgress(int index, std::int64_t done, std::int64_t total) {
  table_->showProgress(commandRows_[static_cast<std::size_t>(index)], done, total);
}

void BenchView::onEnded(int index, const BenchEnd& end) {
  const int row = commandRows_[static_cast<std::size_t>(index)];
  table_->clearProgress(row);
  if (end.outcome == Outcome::Done) {
    ++done_;
    table_->setState(row, QStringLiteral("done"));
  } else {
    ++failed_;
    table_->hold(row);
    const QString line = table_->lastLine(row);
    table_->setState(row,
                     line.isEmpty() ? QStringLiteral("failed") : QStringLiteral("failed: ") + line);
  }
  seconds_ = std::max(seconds_, end.seconds);
  showSummary();
}

void BenchView::showLog() {
  const int row = tableWidget_->currentRow();
  log_->setPlainText(row >= 0 && row < table_->count() ? table_->lines(row).join(u'\n')
                                                       : QString());
}

void BenchView::showSummary() {
  const int readers = static_cast<int>(commandRows_.size());
  summary_->setText(benchSummary(readers, done_, failed_) +
                    QStringLiteral(", %1 s").arg(seconds_, 0, 'f', 1));
}

}  // namespace mv4700
