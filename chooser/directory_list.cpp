#include "chooser/directory_list.h"

#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>

#include "fileaction/directory_reading.h"

namespace mv4700 {

namespace {
constexpr int kPathRole = Qt::UserRole;

// The directories from the root down to `path`, each as an absolute path.
QStringList wayDown(const QString& path) {
  QStringList way;
  QDir dir(path);
  do {
    way.prepend(dir.absolutePath());
  } while (dir.cdUp());
  return way;
}

QString entryName(const QString& path) {
  const QString name = QDir(path).dirName();
  return name.isEmpty() || QDir(path).isRoot() ? QDir::toNativeSeparators(path) : name;
}
}  // namespace

DirectoryList::DirectoryList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(10);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const QString chosen = item->data(0, kPathRole).toString();
    if (chosen == path_) return;
    if (const std::optional<QString> failure = setPath(chosen)) {
      emit failed(*failure);
    } else {
      emit pathChosen(path_);
    }
  });
}

std::optional<QString> DirectoryList::setPath(const QString& path) {
  if (std::optional<QString> failure = directoryFailure(path)) return failure;
  path_ = QDir(path).absolutePath();
  rebuild(subdirectoryNames(path_));
  return std::nullopt;
}

void DirectoryList::rebuild(const QStringList& subdirectories) {
  clear();
  QFileIconProvider icons;
  QTreeWidgetItem* parent = nullptr;
  for (const QString& step : wayDown(path_)) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, entryName(step));
    item->setData(0, kPathRole, step);
    item->setIcon(0, icons.icon(QFileIconProvider::Folder));
    item->setExpanded(true);
    parent = item;
  }
  setCurrentItem(parent);
  const QDir here(path_);
  for (const QString& name : subdirectories) {
    auto* item = new QTreeWidgetItem(parent);
    item->setText(0, name);
    item->setData(0, kPathRole, here.absoluteFilePath(name));
    item->setIcon(0, icons.icon(QFileIconProvider::Folder));
  }
  if (parent) parent->setExpanded(true);
}

}  // namespace mv4700
