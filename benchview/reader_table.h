#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "fleet/bench_reader.h"

class QTableWidget;

namespace mv4700 {

// The table of the bench view: one row per reader, with its link, port,
// model, version, state and transfer progress, and the status lines it
// printed in the last command.
class ReaderTable {
 public:
  enum Column { Link, Port, Model, Version, State, Progress, kColumns };

  explicit ReaderTable(QTableWidget& table);

  // The bench as found now: the rows of readers gone leave (but for held
  // ones), those still there keep what they show, new readers come last with
  // `versions` (one a found reader; empty for a known one).
  void follow(const std::vector<BenchReader>& found, const QStringList& versions);
  // The readers whose version was read since their last command.
  QStringList namesWithVersion() const;
  // The row's version is read again at the next search (a command may change it).
  void versionChanges(int row) { rows_[static_cast<std::size_t>(row)].versionStale = true; }

  int count() const { return static_cast<int>(rows_.size()); }
  const BenchReader& reader(int row) const { return rows_[static_cast<std::size_t>(row)].reader; }
  // The selected rows, or every row when none is selected.
  std::vector<int> chosenRows() const;

  void setState(int row, const QString& state);
  // A held row stays while its reader is gone: a reader that failed stays in
  // view with its line until the next command.
  void hold(int row) { rows_[static_cast<std::size_t>(row)].held = true; }
  void releaseAll();
  void startLines(int row);
  void addLine(int row, const QString& line);
  const QStringList& lines(int row) const { return rows_[static_cast<std::size_t>(row)].lines; }
  QString lastLine(int row) const;
  void showProgress(int row, std::int64_t done, std::int64_t total);
  void clearProgress(int row);

 private:
  struct Row {
    BenchReader reader;
    QStringList lines;
    bool held = false;
    bool versionStale = false;
  };
  void setText(int row, Column column, const QString& text);

  QTableWidget& table_;
  std::vector<Row> rows_;
};

}  // namespace mv4700
