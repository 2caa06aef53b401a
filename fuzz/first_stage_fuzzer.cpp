// Feeds arbitrary files to the first stage of the firmware update: the file
// load, the address fields, the identity marker and the version text.
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "firmware/first_stage.h"
#include "fuzz/fuzz_checks.h"
#include "tests/support/scripted_dialogs.h"

using namespace mv4700;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath("input.bin");
  QFile::remove(path);
  {
    QFile file(path);
    fuzzing::require(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }

  FirmwareImage image;
  testing::ScriptedDialogs dialogs;
  QString linkState = QStringLiteral("OK");
  const bool confirmed = confirmFirmwareFile(image, dialogs, linkState, path) == Outcome::Done;

  // Nothing is flashed unseen: a go-ahead always follows a question.
  fuzzing::require(!confirmed || !dialogs.shown.isEmpty());
  fuzzing::require(image.fwLength >= 0 &&
                   image.fwLength <= static_cast<std::int32_t>(image.fwImage.size()));
  return 0;
}
