#include "firmware/first_stage.h"

#include "firmware/firmware_file.h"
#include "seams/dialogs.h"
#include "seams/number_text.h"

namespace mv4700 {

namespace {

const QString kMarker = QStringLiteral("4700IV");
constexpr int kMarkerLength = 6;

// fwText becomes the six marker bytes when the marker address is usable.
int readMarker(FirmwareImage& image) {
  if (const int f = Fwaddress(image, kMarkerAddressHi, kMarkerAddressHi + 1)) return f;
  if (image.fwOffset > 1) {
    image.fwText.clear();
    for (int k = image.fwOffset; k < image.fwOffset + kMarkerLength; ++k)
      image.fwText += QChar(char16_t{image.byteAt(k)});
  }
  return fault::kNone;
}

// fwText becomes the printable part of the version text, up to its 0 byte.
int readVersionText(FirmwareImage& image) {
  if (const int f = Fwaddress(image, kVersionAddressHi, kVersionAddressHi + 1)) return f;
  if (image.fwOffset > 1) {
    image.fwText.clear();
    for (std::int64_t k = image.fwOffset; k <= image.fwLength; ++k) {
      const std::uint8_t b = image.byteAt(k);
      if (b == 0) break;
      if (b >= 0x20 && b <= 0x7F) image.fwText += QChar(char16_t{b});
    }
  }
  return fault::kNone;
}

void showError(Dialogs& dialogs, const QString& text) {
  dialogs.show(Dialogs::Icon::Critical, Dialogs::Buttons::Ok, QStringLiteral("Error"), text);
}

}  // namespace

Outcome confirmFirmwareFile(FirmwareImage& image, Dialogs& dialogs, QString& linkState,
                            const QString& filePath, bool rescue) {
  const FirmwareFileLoad load = loadFirmwareFile(image, filePath);
  if (load.openFailure != fault::kNone) {
    showError(dialogs,
              QStringLiteral("Open binary file error! ") + signedNumberText(load.openFailure));
    linkState.clear();
    return Outcome::FileProblem;
  }

  const auto notFirmware = [&](int faultNumber) {
    showError(dialogs, QStringLiteral("File: ") + filePath +
                           QStringLiteral(" is not firmware for TQ-4700! ") +
                           signedNumberText(faultNumber));
    return Outcome::Refused;
  };
  int f = load.fault;
  if (f == fault::kNone) f = readMarker(image);
  if (f != fault::kNone || image.fwText != kMarker) return notFirmware(f);
  if (const int versionFault = readVersionText(image)) return notFirmware(versionFault);

  const QString lead =
      rescue ? QStringLiteral("Rescue of a reader left in its loader, without a program.\n\n")
             : QString();
  const QString question = lead + QStringLiteral("The version message of binary file: ") + u'\n' +
                           image.fwText + QStringLiteral("\n\nAre you sure to start flash ?\n");
  const Dialogs::Answer answer = dialogs.show(Dialogs::Icon::Question, Dialogs::Buttons::OkCancel,
                                              QStringLiteral("Firmware Update"), question);
  return answer == Dialogs::Answer::Ok ? Outcome::Done : Outcome::Declined;
}

}  // namespace mv4700
