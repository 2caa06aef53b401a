#pragma once

#include <QMainWindow>

namespace mv4700 {

// The main window.
class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
};

}  // namespace mv4700
