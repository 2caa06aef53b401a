#include "chooser/file_chooser.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "widgets/look.h"

namespace mv4700 {

namespace {
// Where the chooser stands against the main window's left and top edges.
constexpr QPoint kOffsetFromMainWindow = twipsPoint(100, 800);
}  // namespace

FileChooser::FileChooser(FileActions& actions, StatusBox& status, Dialogs& dialogs)
    : actions_(actions), status_(status), dialogs_(dialogs) {}

void FileChooser::showFor(ChooserMode mode, QWidget* mainWindow) {
  status_.clear();
  mainWindow_ = mainWindow;
  if (!form_) {
    form_ = new Form2(dialogs_, mainWindow);
    connect(form_->Command1, &QPushButton::clicked, this, &FileChooser::confirm);
  }
  form_->applyMode(mode);
  actions_.await(mode);
  if (mainWindow) form_->move(mainWindow->pos() + kOffsetFromMainWindow);
  form_->show();
  form_->raise();
  form_->activateWindow();
}

void FileChooser::confirm() {
  if (!form_) return;
  if (!actions_.confirm(form_->File1->path(), form_->Text1->text(), dialogs_)) return;
  form_->hide();
  if (mainWindow_) {
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
  }
  QTimer::singleShot(0, this, [this] { actions_.onMainWindowActivated(); });
}

}  // namespace mv4700
