#pragma once

#include <QString>
#include <utility>

namespace mv4700 {

// A symbolic link that always names the current port, as /dev/serial/by-id
// names an adapter: renewed when the port comes back under another path,
// gone while there is none.
class SlaveLink {
 public:
  explicit SlaveLink(QString linkPath) : linkPath_(std::move(linkPath)) {}
  ~SlaveLink() { point(QString()); }
  SlaveLink(const SlaveLink&) = delete;
  SlaveLink& operator=(const SlaveLink&) = delete;

  // Points the link at `target`; an empty target removes it. False with
  // `error` set when the link could not be made.
  bool point(const QString& target, QString* error = nullptr);

 private:
  QString linkPath_;
};

}  // namespace mv4700
