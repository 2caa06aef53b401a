#include "chooser/form2.h"

#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "fileaction/drives.h"
#include "widgets/look.h"

namespace mv4700 {

namespace {
template <typename Control>
Control* placed(Control* control, const char* name, QRect where) {
  control->setObjectName(QLatin1String(name));
  control->setGeometry(where);
  return control;
}
}  // namespace

Form2::Form2(Dialogs& dialogs, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window),
      Drive1(placed(new DriveList(this), "Drive1", twipsRect(120, 120, 2775, 315))),
      Dir1(placed(new DirectoryList(this), "Dir1", twipsRect(120, 600, 2775, 3690))),
      File1(placed(new FileList(this), "File1", twipsRect(3000, 120, 3615, 2790))),
      Label1(placed(new QLabel(this), "Label1", twipsRect(3000, 3000, 3615, 255))),
      Text1(placed(new QLineEdit(this), "Text1", twipsRect(3000, 3240, 3615, 375))),
      Command1(placed(new QPushButton(this), "Command1", twipsRect(3000, 3720, 3615, 495))),
      dialogs_(dialogs) {
  setObjectName(QStringLiteral("Form2"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("4700 File Manager"));
  setFixedSize(twipsRect(0, 0, 6765, 4395).size());
  // The classic 8 pt sans, so the longest prompt fits its label.
  setFont(classicFont(8));

  setTabOrder(Command1, File1);
  setTabOrder(File1, Drive1);
  setTabOrder(Drive1, Dir1);
  setTabOrder(Dir1, Text1);
  Command1->setFocus();

  Drive1->showDriveOf(QDir::currentPath());
  if (Dir1->setPath(currentDirectoryOf(Drive1->drive()))) Dir1->setPath(QDir::rootPath());
  File1->setPath(Dir1->path());

  connect(Drive1, &QComboBox::activated, this, &Form2::driveChosen);
  connect(Dir1, &DirectoryList::pathChosen, this, &Form2::directoryChosen);
  connect(Dir1, &DirectoryList::failed, this, &Form2::reportAndFallBack);
  connect(File1, &FileList::fileChosen, Text1, &QLineEdit::setText);
  // Files made while the chooser is shown appear as the mouse comes to the button.
  Command1->setMouseTracking(true);
  Command1->installEventFilter(this);
  connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &Form2::focusMoved);
}

void Form2::applyMode(ChooserMode mode) {
  const ChooserModeLook look = chooserModeLook(mode);
  File1->setPattern(QLatin1String(look.pattern));
  Command1->setText(QLatin1String(look.buttonCaption));
  Label1->setText(QLatin1String(look.prompt));
  Text1->setReadOnly(look.nameReadOnly);
}

void Form2::rereadLists() {
  Drive1->reread();
  driveChosen();
}

void Form2::driveChosen() {
  std::optional<QString> failure = Dir1->setPath(currentDirectoryOf(Drive1->drive()));
  const std::optional<QString> fileFailure = File1->setPath(Dir1->path());
  if (!failure) failure = fileFailure;
  if (failure) reportAndFallBack(*failure);
}

void Form2::directoryChosen(const QString& path) {
  Drive1->showDriveOf(path);  // a subdirectory may be where another volume is mounted
  if (const std::optional<QString> failure = File1->setPath(path)) reportAndFallBack(*failure);
}

void Form2::reportAndFallBack(const QString& failure) {
  dialogs_.show(Dialogs::Icon::None, Dialogs::Buttons::Ok, {}, failure);
  Drive1->showDriveOf(Dir1->path());
  File1->setPath(Dir1->path());
}

void Form2::focusMoved(QWindow* now) {
  // Only a move from another of the program's windows counts as becoming the
  // active window: not the return from a message box (which would otherwise
  // undo the user's directory, or repeat a failing drive's box for ever), nor
  // the return from another program.
  if (!now || now->modality() != Qt::NonModal) return;
  const bool mine = now == windowHandle();
  if (mine && !wasLastActive_ && isVisible()) rereadLists();
  wasLastActive_ = mine;
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Command1 &&
      (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove)) {
    File1->reread();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace mv4700
