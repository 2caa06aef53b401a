#pragma once

#include <QString>

namespace mv4700 {

// Which enumerated devices a search may take: every one, or only the reader a
// front end named by its node. The named reader is followed by its port chain
// once seen, so it is still found when it comes back on another node (its
// loader after the erase, its program after the update) and a neighbour on
// another port never is.
class ReaderFilter {
 public:
  void onlyPath(const QString& path) {
    path_ = path;
    chain_.clear();
  }
  // Shown every enumerated device before admits() is asked about it.
  void learn(const QString& path, const QString& chain) {
    if (!path_.isEmpty() && path == path_ && !chain.isEmpty()) chain_ = chain;
  }
  bool admits(const QString& path, const QString& chain) const {
    if (path_.isEmpty()) return true;
    return chain_.isEmpty() ? path == path_ : chain == chain_;
  }

 private:
  QString path_;
  QString chain_;
};

}  // namespace mv4700
