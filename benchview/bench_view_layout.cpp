#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "benchview/bench_view.h"
#include "widgets/look.h"

namespace mv4700 {

namespace {

QPushButton* button(const char* name, const char* caption, QHBoxLayout& row) {
  auto* b = new QPushButton(QLatin1String(caption));
  b->setObjectName(QLatin1String(name));
  row.addWidget(b);
  return b;
}

}  // namespace

void BenchView::buildLayout() {
  setWindowTitle(QStringLiteral("All readers"));
  setFont(classicFont(9.75));
  resize(twipsRect(0, 0, 10500, 7665).size());

  tableWidget_ = new QTableWidget(this);
  tableWidget_->setObjectName(QStringLiteral("readers"));
  table_ = std::make_unique<ReaderTable>(*tableWidget_);

  auto* buttons = new QHBoxLayout;
  write_ = button("write", "Write settings", *buttons);
  version_ = button("version", "Read version", *buttons);
  reset_ = button("reset", "Reset to default", *buttons);
  flash_ = button("flash", "Firmware update...", *buttons);
  buttons->addStretch();
  stop_ = button("stop", "Stop", *buttons);
  stop_->setEnabled(false);

  // The reader's own lines, in the look of the main window's status box.
  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("log"));
  log_->setReadOnly(true);
  log_->setFont(classicFont(9.75));
  QPalette colours = log_->palette();
  colours.setColor(QPalette::Base, QColor(224, 224, 224));
  colours.setColor(QPalette::Text, QColor(0, 64, 0));
  log_->setPalette(colours);

  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));

  auto* column = new QVBoxLayout(this);
  column->addWidget(tableWidget_, 3);
  column->addLayout(buttons);
  column->addWidget(log_, 2);
  column->addWidget(summary_);
}

}  // namespace mv4700
