#include "fleet/bench_questions.h"

#include <QStringList>

#include "firmware/first_stage.h"
#include "seams/dialogs.h"

namespace mv4700 {

namespace {

QString namesOf(const std::vector<BenchReader>& readers) {
  QStringList names;
  for (const BenchReader& r : readers) names << r.name;
  return QStringLiteral("Readers:\n") + names.join(u'\n') + QStringLiteral("\n\n");
}

// The question of a single reader's command, with the readers named above it;
// the error boxes pass as they are.
class NamingReaders final : public Dialogs {
 public:
  NamingReaders(Dialogs& inner, QString names) : inner_(inner), names_(std::move(names)) {}
  Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) override {
    return inner_.show(icon, buttons, title, buttons == Buttons::OkCancel ? names_ + text : text);
  }

 private:
  Dialogs& inner_;
  QString names_;
};

}  // namespace

Outcome confirmBenchReset(Dialogs& dialogs, const std::vector<BenchReader>& readers) {
  NamingReaders naming(dialogs, namesOf(readers));
  return naming.show(Dialogs::Icon::Exclamation, Dialogs::Buttons::OkCancel,
                     QStringLiteral("Reset 4700B"),
                     QStringLiteral("Confirm ? ")) == Dialogs::Answer::Ok
             ? Outcome::Done
             : Outcome::Declined;
}

Outcome confirmBenchImage(FirmwareImage& image, Dialogs& dialogs,
                          const std::vector<BenchReader>& readers, const QString& filePath) {
  NamingReaders naming(dialogs, namesOf(readers));
  QString linkState;
  return confirmFirmwareFile(image, naming, linkState, filePath);
}

bool confirmStopTransfers(Dialogs& dialogs) {
  return dialogs.show(Dialogs::Icon::Exclamation, Dialogs::Buttons::OkCancel,
                      QStringLiteral("Firmware Update"),
                      QStringLiteral("The firmware transfer is running. Stopping it leaves the "
                                     "reader without a working program until a new update "
                                     "finishes. Stop it?")) == Dialogs::Answer::Ok;
}

}  // namespace mv4700
