// Feeds arbitrary bytes to Loadsettings as a settings file. A file that loads
// must give fields in range, and must give the same fields again from what a save would write.
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "settings/settings_file.h"
#include "tests/support/recording_status_box.h"
#include "tests/support/scripted_dialogs.h"

using namespace mv4700;

namespace {

QString writeInput(const QString& path, const std::uint8_t* data, std::size_t size) {
  // A new file each time: truncating one makes ext4 write it back at close.
  QFile::remove(path);
  QFile file(path);
  fuzzing::require(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QTemporaryDir dir;
  const QString input = writeInput(dir.filePath("input.mvs"), data, size);

  testing::PlainFields fields;
  testing::RecordingStatusBox status;
  testing::ScriptedDialogs dialogs;
  Loadsettings(input, fields, status, dialogs);

  fuzzing::requireFieldsInRange(fields);
  for (Field text : {Field::Text1, Field::Text2, Field::Text3}) {
    fuzzing::require(fields.text(text).size() <= kTextFieldLimit);
  }
  const bool loaded = status.lines.endsWith("Settings put on all fields.");
  fuzzing::require(loaded != (dialogs.shown.size() == 1));
  fuzzing::require(dialogs.shown.size() <= 1);
  if (!loaded) return 0;

  // The round trip stays in memory: a real save syncs to disk every time.
  const std::optional<QByteArray> saved = settingsFileBytes(fields);
  fuzzing::require(saved.has_value());
  QBuffer copy;
  copy.setData(*saved);
  fuzzing::require(copy.open(QIODevice::ReadOnly));
  testing::PlainFields again;
  loadSettingsFrom(copy, "copy", again, status, dialogs);
  fuzzing::require(dialogs.shown.isEmpty());
  for (Field f : kAllFields) fuzzing::require(again.state(f) == fields.state(f));
  return 0;
}
