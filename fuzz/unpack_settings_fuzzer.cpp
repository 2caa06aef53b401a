// Feeds arbitrary bytes to Unpacksettings as a reply, for both reader models.
// The fields must end in range, and fields that came from a reply must travel
// again: their image, read back, gives the same fields.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_checks.h"
#include "settings/settings_image.h"

using namespace mv4700;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString reply =
      QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  for (bool newModel : {false, true}) {
    testing::PlainFields fields;
    Unpacksettings(reply, newModel, fields);
    fuzzing::requireFieldsInRange(fields);
    fuzzing::require(fields.enabled(Field::Check2) == newModel);

    const auto image = assembleSettingsImage(kReadSettingsCommand, Packsettings(fields), fields);
    fuzzing::require(image.has_value() && image->size() == kSettingsImageSize);
    bool shortTexts = true;
    for (Field text : {Field::Text1, Field::Text2, Field::Text3}) {
      shortTexts = shortTexts && fields.text(text).size() <= kTextFieldLimit;
    }
    if (!shortTexts) continue;  // longer texts do not fit their seven bytes
    testing::PlainFields again;
    Unpacksettings(QString::fromLatin1(*image), newModel, again);
    for (Field f : kAllFields) fuzzing::require(again.state(f) == fields.state(f));
  }
  return 0;
}
