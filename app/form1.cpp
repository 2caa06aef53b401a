#include "app/form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>

#include "app/message_box_dialogs.h"
#include "app/picture1.h"

static void initAppResources() {
  Q_INIT_RESOURCE(app);
}

namespace mv4700 {

Form1::Form1(QWidget* parent)
    : QMainWindow(parent), messageBoxes_(std::make_unique<MessageBoxDialogs>(this)) {
  initAppResources();
  dialogs_ = messageBoxes_.get();
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Mirevantis 4700B Programming tool v2.0"));
  setWindowIcon(QIcon(QStringLiteral(":/app/icon.png")));
  buildLayout();
  buildMenus();
  setKeyboardOrder();
  layout()->setSizeConstraint(QLayout::SetFixedSize);  // the layout is fixed
  fields_ = std::make_unique<WidgetFields>(controls_);
  connectHandlers();
  startUp();
}

Form1::~Form1() = default;

StatusBox& Form1::statusBox() {
  return *picture1_;
}

void Form1::setDialogs(Dialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : messageBoxes_.get();
}

QAction* Form1::action(const QString& name) const {
  return menuBar()->findChild<QAction*>(name);
}

QMenu* Form1::menu(const QString& name) const {
  return menuBar()->findChild<QMenu*>(name);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  endProgram();
}

void Form1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit activated();
}

void endProgram() {
  QApplication::closeAllWindows();
  QApplication::quit();
}

}  // namespace mv4700
