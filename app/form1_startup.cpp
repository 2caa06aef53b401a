#include <QAction>
#include <QComboBox>
#include <QLabel>

#include "app/form1.h"
#include "app/picture1.h"
#include "commands/release_notes.h"
#include "settings/code_tables.h"
#include "settings/default_fields.h"
#include "settings/entry_code.h"

namespace mv4700 {

void Form1::startUp() {
  controls_.combo1->addItems(characterPositions());
  controls_.combo2->addItems(characterPositions());
  controls_.combo3->addItems(delimiterEntries());
  controls_.combo4->addItems(baudEntries());
  setDefaultFields(*fields_);
  label12_->hide();
  picture1_->setFocus();  // test mode relies on keystrokes arriving in the status box
}

void Form1::connectHandlers() {
  // Only the operator's choice sets the code here; the program sets Tag itself.
  const auto keepCode = [this](QComboBox* combo, Field field, std::span<const QString> table) {
    connect(combo, &QComboBox::activated, this, [this, combo, field, table] {
      if (const auto code = entryCode(table, combo->currentText())) {
        fields_->setTag(field, QString::number(*code));
      }
    });
  };
  keepCode(controls_.combo3, Field::Combo3, delimiterTable());
  keepCode(controls_.combo4, Field::Combo4, baudTable());

  connect(action(QStringLiteral("CLRS")), &QAction::triggered, this,
          [this] { clearAllFields(*fields_, *picture1_, *dialogs_); });
  connect(action(QStringLiteral("exit")), &QAction::triggered, this, [] { endProgram(); });
  connect(action(QStringLiteral("v20")), &QAction::triggered, this,
          [this] { showReleaseNotes(*picture1_, *dialogs_); });
}

}  // namespace mv4700
