#pragma once

#include <QListWidget>
#include <QString>
#include <optional>

namespace mv4700 {

// File1: the files of one directory that match the pattern. fileChosen comes
// only from the user's click or key; re-reading and taking the focus (which
// makes the first file current) stay quiet.
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent = nullptr);

  QString path() const { return path_; }
  // Lists `path`; a directory that cannot be read leaves the list as it was
  // and gives the failure's description.
  std::optional<QString> setPath(const QString& path);
  void setPattern(const QString& pattern);
  // Reads the directory again, so that files made meanwhile appear.
  std::optional<QString> reread();
  QStringList names() const;

 signals:
  void fileChosen(const QString& name);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showNames(const QStringList& names);

  QString path_;
  QString pattern_ = QStringLiteral("*.*");
};

}  // namespace mv4700
