#include "app/message_box_dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace mv4700 {

namespace {
QMessageBox::Icon boxIcon(Dialogs::Icon icon) {
  switch (icon) {
    case Dialogs::Icon::Critical:
      return QMessageBox::Critical;
    case Dialogs::Icon::Question:
      return QMessageBox::Question;
    case Dialogs::Icon::Exclamation:
      return QMessageBox::Warning;
    case Dialogs::Icon::Information:
      return QMessageBox::Information;
    case Dialogs::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}
}  // namespace

Dialogs::Answer MessageBoxDialogs::show(Icon icon, Buttons buttons, const QString& title,
                                        const QString& text) {
  // The texts end their lines with CR LF; the box wants LF alone.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(
      boxIcon(icon), title.isEmpty() ? QApplication::applicationName() : title, shown,
      buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
      parent_);
  box.setObjectName(QStringLiteral("messageBox"));
  box.setTextFormat(Qt::PlainText);  // texts such as "<CR+LF>" are not markup
  // Closing the box by its frame or Escape counts as Cancel where there is one.
  return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

}  // namespace mv4700
