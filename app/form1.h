#pragma once

#include <QMainWindow>
#include <memory>

#include "app/widget_fields.h"

class QAction;
class QLabel;
class QMenu;

namespace mv4700 {

class Dialogs;
class MessageBoxDialogs;
class Picture1;
class StatusBox;

// The main window. Its controls are the only record of the settings; the core
// reads and writes them through fields() and prints into statusBox(). Menu
// items are QActions named as the handlers they run ("sopen", "CLRS", ...), so
// later commands attach by name.
class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  // The client area below the menu bar, in logical pixels.
  static constexpr QSize kClientSize{652, 511};

  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  StatusBox& statusBox();
  Picture1* picture1() const { return picture1_; }
  QLabel* label12() const { return label12_; }  // "T e s t i n g  . . .", shown in test mode
  SettingsFields& fields() { return *fields_; }

  // The message boxes go through `dialogs` from now on (tests answer them);
  // nullptr restores the real boxes. The window does not own it.
  void setDialogs(Dialogs* dialogs);
  Dialogs& dialogs() const { return *dialogs_; }

  QAction* action(const QString& name) const;
  QMenu* menu(const QString& name) const;

 signals:
  // The window became the active one. The pending file action decides whether
  // this activation runs it (see FileActions).
  void activated();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildLayout();
  void buildMenus();
  void setKeyboardOrder();
  void startUp();
  void connectHandlers();

  FieldControls controls_;
  QLabel* label12_ = nullptr;
  Picture1* picture1_ = nullptr;
  std::unique_ptr<WidgetFields> fields_;
  std::unique_ptr<MessageBoxDialogs> messageBoxes_;
  Dialogs* dialogs_ = nullptr;
};

// Ends the program at once: every window closes and the event loop stops.
void endProgram();

}  // namespace mv4700
