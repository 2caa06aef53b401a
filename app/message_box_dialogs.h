#pragma once

#include "seams/dialogs.h"

class QWidget;

namespace mv4700 {

// The message boxes as modal QMessageBoxes over `parent`.
class MessageBoxDialogs final : public Dialogs {
 public:
  explicit MessageBoxDialogs(QWidget* parent) : parent_(parent) {}
  Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) override;

 private:
  QWidget* parent_;
};

}  // namespace mv4700
