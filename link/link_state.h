#pragma once

#include <QString>

namespace mv4700 {

// linkState values. Empty means idle.
namespace link_state {
inline const QString kOk = QStringLiteral("OK");
inline const QString kErr = QStringLiteral("ERR");
inline const QString kUsb = QStringLiteral("USB");
inline const QString kLoop = QStringLiteral("LOOP");
inline const QString kTest232 = QStringLiteral("TEST232");
inline const QString kEnd = QStringLiteral("END");
}  // namespace link_state

// State that both links and every command read and write.
struct LinkShared {
  QString linkState;
  bool newModel = false;
  // A front end that was told which device to use turns the other search off:
  // it then finds nothing and prints nothing.
  bool usbSearch = true;
  bool serialSearch = true;
};

}  // namespace mv4700
