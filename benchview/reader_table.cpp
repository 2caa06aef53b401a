#include "benchview/reader_table.h"

#include <QHeaderView>
#include <QProgressBar>
#include <QTableWidget>
#include <algorithm>
#include <set>

namespace mv4700 {

namespace {

QString portText(const ListedReader& r) {
  return r.usb ? r.path : QStringLiteral("COM%1 %2").arg(r.comPort).arg(r.path).trimmed();
}

}  // namespace

ReaderTable::ReaderTable(QTableWidget& table) : table_(table) {
  table_.setColumnCount(kColumns);
  table_.setHorizontalHeaderLabels({QStringLiteral("Link"), QStringLiteral("Port"),
                                    QStringLiteral("Model"), QStringLiteral("Version"),
                                    QStringLiteral("State"), QStringLiteral("Progress")});
  table_.setSelectionBehavior(QAbstractItemView::SelectRows);
  table_.setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_.setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A failure's line keeps its start and its end in view.
  table_.setWordWrap(false);
  table_.setTextElideMode(Qt::ElideMiddle);
  table_.verticalHeader()->hide();
  table_.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_.horizontalHeader()->setSectionResizeMode(State, QHeaderView::Stretch);
}

void ReaderTable::follow(const std::vector<BenchReader>& found, const QStringList& versions) {
  std::set<QString> present;
  for (const BenchReader& r : found) present.insert(r.name);
  for (int row = count() - 1; row >= 0; --row) {
    if (present.count(reader(row).name) || rows_[static_cast<std::size_t>(row)].held) continue;
    rows_.erase(rows_.begin() + row);
    table_.removeRow(row);
  }
  for (std::size_t k = 0; k < found.size(); ++k) {
    const BenchReader& r = found[k];
    const auto known = std::find_if(rows_.begin(), rows_.end(),
                                    [&r](const Row& row) { return row.reader.name == r.name; });
    const QString version = versions.value(static_cast<qsizetype>(k));
    int row = static_cast<int>(known - rows_.begin());
    if (known == rows_.end()) {
      rows_.push_back({r, {}, false, false});
      table_.insertRow(row);
      setText(row, Link, r.where.usb ? QStringLiteral("USB") : QStringLiteral("RS232"));
      setText(row, Port, portText(r.where));
      setText(row, Model, r.where.newModel ? QStringLiteral("4700-01") : QStringLiteral("4700"));
      setText(row, State, QStringLiteral("waiting"));
    }
    if (version.isEmpty()) continue;
    setText(row, Version, version);
    rows_[static_cast<std::size_t>(row)].versionStale = false;
  }
}

QStringList ReaderTable::namesWithVersion() const {
  QStringList names;
  for (int row = 0; row < count(); ++row) {
    const QTableWidgetItem* item = table_.item(row, Version);
    if (item && !item->text().isEmpty() && !rows_[static_cast<std::size_t>(row)].versionStale)
      names << reader(row).name;
  }
  return names;
}

std::vector<int> ReaderTable::chosenRows() const {
  std::set<int> selected;
  for (const QModelIndex& index : table_.selectionModel()->selectedRows())
    selected.insert(index.row());
  if (!selected.empty()) return {selected.begin(), selected.end()};
  std::vector<int> all(static_cast<std::size_t>(count()));
  for (int row = 0; row < count(); ++row) all[static_cast<std::size_t>(row)] = row;
  return all;
}

void ReaderTable::setState(int row, const QString& state) {
  setText(row, State, state);
  table_.item(row, State)->setToolTip(state);
}

void ReaderTable::releaseAll() {
  for (Row& row : rows_) row.held = false;
}

void ReaderTable::startLines(int row) {
  rows_[static_cast<std::size_t>(row)].lines.clear();
}

void ReaderTable::addLine(int row, const QString& line) {
  rows_[static_cast<std::size_t>(row)].lines << line;
}

QString ReaderTable::lastLine(int row) const {
  const QStringList& all = lines(row);
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (!it->trimmed().isEmpty()) return it->trimmed();
  return {};
}

void ReaderTable::showProgress(int row, std::int64_t done, std::int64_t total) {
  auto* bar = qobject_cast<QProgressBar*>(table_.cellWidget(row, Progress));
  if (!bar) {
    bar = new QProgressBar;
    table_.setCellWidget(row, Progress, bar);
  }
  // Byte counts fit an int: an image is at most 32 KiB.
  bar->setRange(0, static_cast<int>(std::max<std::int64_t>(total, 1)));
  bar->setValue(static_cast<int>(std::min(done, total)));
}

void ReaderTable::clearProgress(int row) {
  table_.removeCellWidget(row, Progress);
}

void ReaderTable::setText(int row, Column column, const QString& text) {
  QTableWidgetItem* item = table_.item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    table_.setItem(row, column, item);
  }
  item->setText(text);
}

}  // namespace mv4700
