#include "fileaction/file_actions.h"

#include <QTest>

#include "tests/chooser/recorded_runs.h"
#include "tests/support/scripted_dialogs.h"

namespace mv4700 {

using testing::RecordedRuns;
using testing::ScriptedDialogs;

class FileActionsTest : public QObject {
  Q_OBJECT
 private slots:
  void confirmBuildsThePathAndTheConfirmedCode_data();
  void confirmBuildsThePathAndTheConfirmedCode();
  void emptyNameIsRefusedAndChangesNothing_data();
  void emptyNameIsRefusedAndChangesNothing();
  void eachConfirmationRunsItsActionOnce();
  void activationWithoutConfirmationRunsNothing();
  void actionThatActivatesTheMainWindowAgainRunsOnce();
};

void FileActionsTest::confirmBuildsThePathAndTheConfirmedCode_data() {
  QTest::addColumn<ChooserMode>("mode");
  QTest::addColumn<QString>("directory");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("path");
  QTest::addColumn<int>("code");
  QTest::addColumn<QString>("run");

  const auto open = ChooserMode::OpenSettings;
  const auto save = ChooserMode::SaveSettings;
  const auto firmware = ChooserMode::FirmwareUpdate;
  QTest::newRow("root and name") << open << "/"
                                 << "a.mvs"
                                 << "/a.mvs" << 2 << "load";
  QTest::newRow("directory and name") << open << "/home/op/data"
                                      << "a.mvs"
                                      << "/home/op/data/a.mvs" << 2 << "load";
  // Short directories are no roots: a length rule would give "/tmpa.mvs".
  QTest::newRow("short directory") << open << "/tmp"
                                   << "a.mvs"
                                   << "/tmp/a.mvs" << 2 << "load";
  QTest::newRow("one-letter directory") << open << "/a"
                                        << "b"
                                        << "/a/b" << 2 << "load";
  QTest::newRow("directory with separator") << open << "/srv/"
                                            << "a"
                                            << "/srv/a" << 2 << "load";
  QTest::newRow("save adds suffix") << save << "/d"
                                    << "cfg"
                                    << "/d/cfg.mvs" << 4 << "save";
  QTest::newRow("save keeps suffix") << save << "/d"
                                     << "cfg.mvs"
                                     << "/d/cfg.mvs" << 4 << "save";
  QTest::newRow("suffix case counts") << save << "/d"
                                      << "cfg.MVS"
                                      << "/d/cfg.MVS.mvs" << 4 << "save";
  QTest::newRow("suffix must end the name") << save << "/"
                                            << "cfg.mvs.bak"
                                            << "/cfg.mvs.bak.mvs" << 4 << "save";
  QTest::newRow("open adds no suffix") << open << "/d"
                                       << "cfg"
                                       << "/d/cfg" << 2 << "load";
  QTest::newRow("firmware adds no suffix") << firmware << "/d"
                                           << "cfg"
                                           << "/d/cfg" << 6 << "firmware";
}

void FileActionsTest::confirmBuildsThePathAndTheConfirmedCode() {
  QFETCH(ChooserMode, mode);
  QFETCH(QString, directory);
  QFETCH(QString, name);
  QFETCH(QString, path);
  QFETCH(int, code);
  QFETCH(QString, run);

  RecordedRuns recorded;
  FileActions actions(recorded.handlers());
  ScriptedDialogs dialogs;
  actions.await(mode);
  QVERIFY(actions.confirm(directory, name, dialogs));
  QCOMPARE(actions.filePath(), path);
  QCOMPARE(actions.fileAction(), code);
  QVERIFY(dialogs.shown.isEmpty());
  actions.onMainWindowActivated();
  QCOMPARE(recorded.runs, QStringList{run + u' ' + path});
}

void FileActionsTest::emptyNameIsRefusedAndChangesNothing_data() {
  QTest::addColumn<ChooserMode>("mode");
  QTest::newRow("open") << ChooserMode::OpenSettings;
  QTest::newRow("save") << ChooserMode::SaveSettings;
  QTest::newRow("firmware") << ChooserMode::FirmwareUpdate;
}

void FileActionsTest::emptyNameIsRefusedAndChangesNothing() {
  QFETCH(ChooserMode, mode);
  RecordedRuns recorded;
  FileActions actions(recorded.handlers());
  ScriptedDialogs dialogs;

  // A path from an earlier confirmation must survive the refusal.
  actions.await(ChooserMode::OpenSettings);
  QVERIFY(actions.confirm("/d", "old.mvs", dialogs));
  actions.onMainWindowActivated();
  recorded.runs.clear();

  actions.await(mode);
  QVERIFY(!actions.confirm("/d", "", dialogs));
  QCOMPARE(actions.fileAction(), chooserModeLook(mode).waitingCode);
  QCOMPARE(actions.filePath(), "/d/old.mvs");
  QCOMPARE(dialogs.shown.size(), 1);
  QCOMPARE(dialogs.shown[0].text, "Please select a file!");
  QCOMPARE(dialogs.shown[0].title, QString());
  QCOMPARE(dialogs.shown[0].buttons, Dialogs::Buttons::Ok);
  actions.onMainWindowActivated();
  QVERIFY(recorded.runs.isEmpty());
}

void FileActionsTest::eachConfirmationRunsItsActionOnce() {
  RecordedRuns recorded;
  FileActions actions(recorded.handlers());
  ScriptedDialogs dialogs;

  actions.await(ChooserMode::SaveSettings);
  actions.confirm("/d", "cfg", dialogs);
  for (int i = 0; i < 3; ++i) actions.onMainWindowActivated();
  QCOMPARE(actions.fileAction(), 4);  // the code stays after the run

  actions.await(ChooserMode::OpenSettings);
  actions.confirm("/d", "cfg.mvs", dialogs);
  actions.onMainWindowActivated();
  actions.onMainWindowActivated();

  // The same file confirmed again is a new confirmation and runs again.
  actions.await(ChooserMode::OpenSettings);
  actions.confirm("/d", "cfg.mvs", dialogs);
  actions.onMainWindowActivated();

  QCOMPARE(recorded.runs, (QStringList{"save /d/cfg.mvs", "load /d/cfg.mvs", "load /d/cfg.mvs"}));
}

void FileActionsTest::activationWithoutConfirmationRunsNothing() {
  RecordedRuns recorded;
  FileActions actions(recorded.handlers());
  ScriptedDialogs dialogs;

  actions.onMainWindowActivated();  // first display: code 0
  for (ChooserMode mode :
       {ChooserMode::OpenSettings, ChooserMode::SaveSettings, ChooserMode::FirmwareUpdate}) {
    actions.await(mode);
    actions.onMainWindowActivated();  // the user switches windows while the chooser waits
  }
  // A confirmation overtaken by a new menu command before the main window
  // was activated is dropped with its code.
  actions.confirm("/d", "fw.bin", dialogs);
  actions.await(ChooserMode::SaveSettings);
  actions.onMainWindowActivated();

  QVERIFY(recorded.runs.isEmpty());
  QCOMPARE(actions.fileAction(), 3);
}

void FileActionsTest::actionThatActivatesTheMainWindowAgainRunsOnce() {
  // A load that fails shows a box; closing it activates the main window while
  // the load is still running.
  FileActions* self = nullptr;
  int loads = 0;
  FileActions actions({[&](const QString&) {
                         ++loads;
                         self->onMainWindowActivated();
                       },
                       {},
                       {}});
  self = &actions;
  ScriptedDialogs dialogs;
  actions.await(ChooserMode::OpenSettings);
  actions.confirm("/d", "a.mvs", dialogs);
  actions.onMainWindowActivated();
  QCOMPARE(loads, 1);
}

}  // namespace mv4700

QTEST_GUILESS_MAIN(mv4700::FileActionsTest)
#include "file_actions_test.moc"
