#pragma once

#include <QString>
#include <QTreeWidget>
#include <optional>

namespace mv4700 {

// Dir1: the directory tree list. It shows the way from the root down to its
// directory, opened, with that directory's subdirectories below it; choosing
// an entry (double click or Enter) makes it the list's directory.
class DirectoryList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit DirectoryList(QWidget* parent = nullptr);

  QString path() const { return path_; }
  // Shows `path`; a directory that cannot be read leaves the list as it was
  // and gives the failure's description.
  std::optional<QString> setPath(const QString& path);

 signals:
  void pathChosen(const QString& path);
  void failed(const QString& description);

 private:
  void rebuild(const QStringList& subdirectories);

  QString path_;
};

}  // namespace mv4700
