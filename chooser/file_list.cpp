#include "chooser/file_list.h"

#include <QDir>
#include <QSignalBlocker>

#include "fileaction/directory_reading.h"

namespace mv4700 {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::itemClicked, this,
          [this](const QListWidgetItem* item) { emit fileChosen(item->text()); });
}

void FileList::keyPressEvent(QKeyEvent* event) {
  const QListWidgetItem* before = currentItem();
  QListWidget::keyPressEvent(event);
  if (currentItem() && currentItem() != before) emit fileChosen(currentItem()->text());
}

std::optional<QString> FileList::setPath(const QString& path) {
  if (std::optional<QString> failure = directoryFailure(path)) return failure;
  path_ = QDir::toNativeSeparators(QDir(path).absolutePath());
  showNames(matchingFileNames(path_, pattern_));
  return std::nullopt;
}

void FileList::setPattern(const QString& pattern) {
  pattern_ = pattern;
  reread();
}

std::optional<QString> FileList::reread() {
  if (path_.isEmpty()) return std::nullopt;
  if (std::optional<QString> failure = directoryFailure(path_)) {
    showNames({});
    return failure;
  }
  showNames(matchingFileNames(path_, pattern_));
  return std::nullopt;
}

QStringList FileList::names() const {
  QStringList shown;
  for (int row = 0; row < count(); ++row) shown.append(item(row)->text());
  return shown;
}

void FileList::showNames(const QStringList& names) {
  // Re-read on every mouse move over the confirm button: leave an unchanged
  // list alone, so its scroll position and selection stay.
  if (names == this->names()) return;
  const QSignalBlocker quiet(this);
  const QString current = currentItem() ? currentItem()->text() : QString();
  clear();
  addItems(names);
  const QList<QListWidgetItem*> same = findItems(current, Qt::MatchExactly);
  if (!current.isEmpty() && !same.isEmpty()) setCurrentItem(same.first());
}

}  // namespace mv4700
