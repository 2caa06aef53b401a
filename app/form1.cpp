#include "app/form1.h"

namespace mv4700 {

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form1");
  setWindowTitle("Mirevantis 4700B Programming tool v2.0");
}

}  // namespace mv4700
