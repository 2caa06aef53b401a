#include "chooser/file_chooser.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "fileaction/settings_file_actions.h"
#include "tests/chooser/recorded_runs.h"
#include "tests/support/plain_fields.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700 {

using testing::PlainFields;
using testing::RecordedRuns;
using testing::RecordingStatusBox;
using testing::ScriptedDialogs;

namespace {

void touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
}

QTreeWidgetItem* findEntry(QTreeWidget* tree, const QString& text) {
  const QList<QTreeWidgetItem*> found =
      tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

void clickFile(FileList* list, const QString& name) {
  const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
  QVERIFY2(!found.isEmpty(), qPrintable(name));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(found.first()).center());
}

}  // namespace

// The chooser over a main window, on a working directory of its own:
//   a.mvs  b.MVS  c.bin  notes.txt  sub/s.mvs
class FileChooserTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void showForSetsTheMode_data();
  void showForSetsTheMode();
  void saveThenOpenRunEachOnceAndKeepTheName();
  void chosenDirectoryAndClickedFileMakeThePath();
  void closeBoxAbandonsTheChoice();
  void unreadableDriveFallsBack();
  void mouseOverTheButtonShowsNewFiles();
  void activationRereadsOnlyWhenComingFromAnotherWindow();
  void realSettingsFileSavedAndLoaded();
  void closingTheMainWindowEndsWithTheChooserShown();

 private:
  QString work(const QString& name = {}) const { return QDir(dir->path()).filePath(name); }
  void confirmAndDispatch() {
    QTest::mouseClick(chooser->form()->Command1, Qt::LeftButton);
    QCoreApplication::processEvents();
  }

  std::unique_ptr<QTemporaryDir> dir;
  QString startDir;
  RecordedRuns recorded;
  std::unique_ptr<QWidget> mainWindow;
  RecordingStatusBox status;
  ScriptedDialogs dialogs;
  std::unique_ptr<FileActions> actions;
  std::unique_ptr<FileChooser> chooser;
};

void FileChooserTest::init() {
  dir = std::make_unique<QTemporaryDir>();
  QVERIFY(dir->isValid());
  for (const char* name : {"a.mvs", "b.MVS", "c.bin", "notes.txt"}) touch(work(name));
  QVERIFY(QDir(dir->path()).mkdir("sub"));
  touch(work("sub/s.mvs"));
  // The chooser starts in the program's current directory.
  startDir = QDir::currentPath();
  QVERIFY(QDir::setCurrent(dir->path()));

  recorded.runs.clear();
  status = RecordingStatusBox();
  dialogs = ScriptedDialogs();
  actions = std::make_unique<FileActions>(recorded.handlers());
  chooser = std::make_unique<FileChooser>(*actions, status, dialogs);
  mainWindow = std::make_unique<QWidget>();
  mainWindow->setGeometry(100, 120, 652, 511);
  mainWindow->show();
}

void FileChooserTest::cleanup() {
  chooser.reset();
  mainWindow.reset();  // takes the chooser along
  QDir::setCurrent(startDir);
  dir.reset();
}

void FileChooserTest::showForSetsTheMode_data() {
  QTest::addColumn<ChooserMode>("mode");
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("prompt");
  QTest::addColumn<bool>("readOnly");
  QTest::addColumn<QStringList>("files");
  QTest::addColumn<int>("code");
  QTest::newRow("open") << ChooserMode::OpenSettings << "Open the settings file"
                        << "*.mvs to open:" << true << QStringList{"a.mvs", "b.MVS"} << 1;
  QTest::newRow("save") << ChooserMode::SaveSettings << "Save settings file"
                        << "Save to .mvs (manually keyin for Save as)" << false
                        << QStringList{"a.mvs", "b.MVS"} << 3;
  QTest::newRow("firmware") << ChooserMode::FirmwareUpdate << "Open the bin file and update"
                            << "Firmware *.bin to open:" << true << QStringList{"c.bin"} << 5;
}

void FileChooserTest::showForSetsTheMode() {
  QFETCH(ChooserMode, mode);
  QFETCH(QString, button);
  QFETCH(QString, prompt);
  QFETCH(bool, readOnly);
  QFETCH(QStringList, files);
  QFETCH(int, code);

  status.printLine("earlier line");
  // Shown first in another mode: switching keeps the one window.
  chooser->showFor(ChooserMode::FirmwareUpdate, mainWindow.get());
  Form2* first = chooser->form();
  chooser->showFor(mode, mainWindow.get());
  Form2* form = chooser->form();
  QCOMPARE(form, first);

  QVERIFY(status.shown().isEmpty());
  QCOMPARE(form->windowTitle(), "4700 File Manager");
  QVERIFY(form->isVisible());
  QVERIFY(!form->isModal());
  QCOMPARE(form->size(), QSize(451, 293));
  // 100 and 800 twips, each to the nearest pixel.
  QCOMPARE(form->pos(), mainWindow->pos() + QPoint(7, 53));
  QCOMPARE(form->Command1->text(), button);
  QCOMPARE(form->Label1->text(), prompt);
  QCOMPARE(form->Text1->isReadOnly(), readOnly);
  QCOMPARE(form->File1->path(), dir->path());
  QCOMPARE(form->File1->names(), files);
  QCOMPARE(actions->fileAction(), code);

  QWidget* next = form->Command1;
  QList<QWidget*> keyboardOrder{next};
  while ((next = next->nextInFocusChain()) != form->Command1) {
    if (next->focusPolicy() & Qt::TabFocus) keyboardOrder << next;
  }
  QCOMPARE(keyboardOrder,
           (QList<QWidget*>{form->Command1, form->File1, form->Drive1, form->Dir1, form->Text1}));
}

void FileChooserTest::saveThenOpenRunEachOnceAndKeepTheName() {
  chooser->showFor(ChooserMode::SaveSettings, mainWindow.get());
  QTest::keyClicks(chooser->form()->Text1, "cfg");
  confirmAndDispatch();
  QVERIFY(!chooser->form()->isVisible());
  QCOMPARE(actions->fileAction(), 4);

  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  QCOMPARE(chooser->form()->Text1->text(), "cfg");  // kept from the save
  confirmAndDispatch();
  QCOMPARE(actions->fileAction(), 2);

  actions->onMainWindowActivated();  // any later activation runs nothing more
  QCOMPARE(recorded.runs, (QStringList{"save " + work("cfg.mvs"), "load " + work("cfg")}));
}

void FileChooserTest::chosenDirectoryAndClickedFileMakeThePath() {
  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  Form2* form = chooser->form();
  clickFile(form->File1, "a.mvs");
  QTest::keyClick(form->File1, Qt::Key_Down);
  QCOMPARE(form->Text1->text(), "b.MVS");

  QTreeWidgetItem* sub = findEntry(form->Dir1, "sub");
  QVERIFY(sub);
  form->Dir1->setCurrentItem(sub);
  QTest::keyClick(form->Dir1, Qt::Key_Return);
  QCOMPARE(form->Dir1->path(), work("sub"));
  QCOMPARE(form->File1->path(), work("sub"));
  QCOMPARE(form->File1->names(), QStringList{"s.mvs"});

  clickFile(form->File1, "s.mvs");
  QCOMPARE(form->Text1->text(), "s.mvs");
  confirmAndDispatch();
  QCOMPARE(recorded.runs, QStringList{"load " + work("sub/s.mvs")});

  // Up again through the way shown above the directory.
  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  form->Dir1->setPath(work("sub"));
  QTreeWidgetItem* up = findEntry(form->Dir1, QDir(dir->path()).dirName());
  QVERIFY(up);
  form->Dir1->setCurrentItem(up);
  QTest::keyClick(form->Dir1, Qt::Key_Return);
  QCOMPARE(form->File1->path(), dir->path());
}

void FileChooserTest::closeBoxAbandonsTheChoice() {
  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  clickFile(chooser->form()->File1, "a.mvs");
  QVERIFY(chooser->form()->close());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(!chooser->form());
  QCOMPARE(actions->fileAction(), 1);
  actions->onMainWindowActivated();
  QVERIFY(recorded.runs.isEmpty());

  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  QVERIFY(chooser->form());
  QCOMPARE(chooser->form()->Text1->text(), QString());
}

void FileChooserTest::unreadableDriveFallsBack() {
  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  Form2* form = chooser->form();
  const QString drive = form->Drive1->drive();
  form->Dir1->setPath(work("sub"));
  form->File1->setPath(work("sub"));
  // A volume that went away after the list was read.
  form->Drive1->addItem(work("gone"));
  QTest::keyClick(form->Drive1, Qt::Key_End);

  QCOMPARE(dialogs.shown.size(), 1);
  QCOMPARE(dialogs.shown[0].text, "Path not found");
  QCOMPARE(dialogs.shown[0].title, QString());
  QCOMPARE(form->Drive1->drive(), drive);
  QCOMPARE(form->Dir1->path(), work("sub"));
  QCOMPARE(form->File1->path(), work("sub"));
}

void FileChooserTest::mouseOverTheButtonShowsNewFiles() {
  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  Form2* form = chooser->form();
  touch(work("new.mvs"));
  QCOMPARE(form->File1->names(), (QStringList{"a.mvs", "b.MVS"}));
  QTest::mouseMove(form->Command1);
  QTRY_COMPARE(form->File1->names(), (QStringList{"a.mvs", "b.MVS", "new.mvs"}));
}

void FileChooserTest::activationRereadsOnlyWhenComingFromAnotherWindow() {
  // The offscreen platform does not move the activation between windows, so
  // the test reports the moves as the window system would.
  auto becomeActive = [](QWidget* window) {
    emit qGuiApp->focusWindowChanged(window ? window->windowHandle() : nullptr);
  };
  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  Form2* form = chooser->form();
  becomeActive(mainWindow.get());
  becomeActive(form);
  QCOMPARE(form->Dir1->path(), dir->path());

  // Back from a box over the chooser, or from another program: the user's
  // directory stays.
  form->Dir1->setPath(work("sub"));
  QDialog box(form);
  box.setModal(true);
  box.show();
  becomeActive(&box);
  box.close();
  becomeActive(nullptr);
  becomeActive(form);
  QCOMPARE(form->Dir1->path(), work("sub"));

  // Back from the main window: the lists are read again.
  becomeActive(mainWindow.get());
  becomeActive(form);
  QCOMPARE(form->Dir1->path(), dir->path());
}

void FileChooserTest::realSettingsFileSavedAndLoaded() {
  PlainFields fields;
  FileActions settingsActions(settingsFileHandlers(fields, status, dialogs, {}));
  FileChooser settingsChooser(settingsActions, status, dialogs);

  fields.setText(Field::Text1, "ID:");
  fields.setText(Field::Combo4, "57600");
  fields.setTag(Field::Combo4, "8");
  const PlainFields::State saved = fields.state(Field::Combo4);
  settingsChooser.showFor(ChooserMode::SaveSettings, mainWindow.get());
  QTest::keyClicks(settingsChooser.form()->Text1, "cfg");
  QTest::mouseClick(settingsChooser.form()->Command1, Qt::LeftButton);
  QCoreApplication::processEvents();
  QVERIFY(QFile::exists(work("cfg.mvs")));

  fields = PlainFields();
  settingsChooser.showFor(ChooserMode::OpenSettings, mainWindow.get());
  settingsChooser.form()->Text1->clear();
  clickFile(settingsChooser.form()->File1, "cfg.mvs");
  QTest::mouseClick(settingsChooser.form()->Command1, Qt::LeftButton);
  QCoreApplication::processEvents();

  QVERIFY(dialogs.shown.isEmpty());
  QCOMPARE(fields.text(Field::Text1), "ID:");
  QCOMPARE(fields.state(Field::Combo4), saved);
  QCOMPARE(status.shown(), (QStringList{"Settings file: " + work("cfg.mvs") + " opened.",
                                        "Settings put on all fields."}));
}

void FileChooserTest::closingTheMainWindowEndsWithTheChooserShown() {
  chooser->showFor(ChooserMode::OpenSettings, mainWindow.get());
  QSignalSpy lastClosed(qGuiApp, &QGuiApplication::lastWindowClosed);
  // The program ends from its event loop; a stuck one ends after a while.
  QTimer::singleShot(0, mainWindow.get(), &QWidget::close);
  QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
  QCOMPARE(QCoreApplication::exec(), 0);
  QCOMPARE(lastClosed.count(), 1);
}

}  // namespace mv4700

QTEST_MAIN(mv4700::FileChooserTest)
#include "file_chooser_test.moc"
