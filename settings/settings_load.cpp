#include <QFile>

#include "seams/number_text.h"
#include "settings/field_values.h"
#include "settings/leading_number.h"
#include "settings/open_for_reading.h"
#include "settings/settings_file.h"
#include "settings/settings_file_layout.h"

namespace mv4700 {

namespace {

// Lines ended by CR LF, a lone LF or a lone CR, one byte a character. Past the
// end of the file every line reads as empty, so the next header fails.
class LineReader {
 public:
  explicit LineReader(QIODevice& device) : device_(device) {}

  QString next() {
    QByteArray line;
    char c = 0;
    while (device_.getChar(&c)) {
      if (c == '\n') break;
      if (c == '\r') {
        char after = 0;
        if (device_.getChar(&after) && after != '\n') device_.ungetChar(after);
        break;
      }
      line += c;
    }
    return QString::fromLatin1(line);
  }

 private:
  QIODevice& device_;
};

double roundedNumber(const QString& line) {
  return roundHalfEven(leadingNumber(line));
}

void applyValue(SettingsFields& fields, const SettingsFileSection& section, const QString& line) {
  switch (section.kind) {
    case ValueKind::Text:
      fields.setText(section.field, line.left(kTextFieldLimit));
      break;
    case ValueKind::Position:
      // 0 and negative numbers select the first entry.
      selectPosition(fields, section.field, clampWhole(roundedNumber(line), 1, 16));
      break;
    case ValueKind::Delimiter:
      // Negative numbers select the first entry, like a line without a number.
      selectDelimiter(fields, clampWhole(roundedNumber(line), 0, 4));
      break;
    case ValueKind::Baud:
      selectBaud(fields, validBaudCode(clampWhole(roundedNumber(line), -1, 10)));
      break;
    case ValueKind::Switch:
      fields.setValue(section.field, leadingNumber(line) == 1.0 ? 1 : 0);
      break;
  }
}

void showError(Dialogs& dialogs, const QString& text) {
  dialogs.show(Dialogs::Icon::Critical, Dialogs::Buttons::Ok, QStringLiteral("Error"), text);
}

}  // namespace

Outcome loadSettingsFrom(QIODevice& file, const QString& filePath, SettingsFields& fields,
                         StatusBox& status, Dialogs& dialogs) {
  status.printLine(QStringLiteral("Settings file: ") + filePath + QStringLiteral(" opened."));
  LineReader lines(file);
  int errorNumber = 0;
  auto expect = [&](const char* text) {
    ++errorNumber;
    if (lines.next() == QLatin1String(text)) return true;
    showError(dialogs, QStringLiteral("Settings file error! ") + QString::number(errorNumber));
    return false;
  };

  for (const char* signature : kSettingsFileSignature) {
    if (!expect(signature)) return Outcome::Refused;
  }
  for (const SettingsFileSection& section : kSettingsFileSections) {
    if (!expect(section.header)) return Outcome::Refused;
    applyValue(fields, section, lines.next());
  }
  status.printLine(QStringLiteral("Settings put on all fields."));
  return Outcome::Done;
}

Outcome Loadsettings(const QString& filePath, SettingsFields& fields, StatusBox& status,
                     Dialogs& dialogs) {
  QFile file;
  if (const int failure = openForReading(file, filePath)) {
    showError(dialogs, QStringLiteral("Settings file ") + filePath +
                           QStringLiteral(" not found! ") + signedNumberText(failure));
    return Outcome::FileProblem;
  }
  return loadSettingsFrom(file, filePath, fields, status, dialogs);
}

}  // namespace mv4700
