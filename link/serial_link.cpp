#include "link/serial_link.h"

#include "link/com_slots.h"
#include "link/permission_hint.h"
#include "link/serial_failures.h"
#include "seams/clock.h"
#include "seams/number_text.h"
#include "seams/status_box.h"
#include "settings/code_tables.h"
#include "settings/settings_image.h"

namespace mv4700 {

namespace {

constexpr int kIdentifyReplyLength = 10;
constexpr float kIdentifyTimeout = 0.2f;
constexpr double kComreadWait = 0.5;

bool holds4700At(const QByteArray& bytes, int first) {
  return bytes.size() >= first + 4 && bytes.mid(first, 4) == "4700";
}

}  // namespace

QString serialSettingsText(const QString& baud) {
  return baud + QStringLiteral(",n,8,1");
}

void SerialLink::closePort() {
  if (port_.portOpen()) port_.setPortOpen(false);
}

void SerialLink::sendTxBytes() {
  port_.output(txBytes);
}

void SerialLink::prepareIdentify() {
  txBytes = QByteArray("\x1B\x00", 2);
  modelId.fill(0);
  std::copy_n("4700", 4, modelId.begin() + 3);
}

void SerialLink::Comsearch() {
  closePort();
  if (!shared_.serialSearch) {
    comPort = 0;
    return;
  }
  status_.refreshAll();
  if (!namedPort.isEmpty()) return searchNamedPort();
  status_.printLine(QStringLiteral("Searching COM 1~16 for 4700... "));
  status_.refresh();

  prepareIdentify();
  deniedPort_.clear();
  comPort = 0;
  foundPath.clear();

  searchAllSpeeds();
  if (comPort == 0 && clearLineOnMiss) {
    clearLine();
    searchAllSpeeds();
  }

  if (comPort == 0) {
    status_.printLine(QStringLiteral("Can not find 4700 at com 1~16 with all baud rate!"));
    if (!deniedPort_.isEmpty()) status_.printLine(serialPermissionHint(deniedPort_));
  } else {
    const QString found = shared_.newModel ? QStringLiteral("Found NEW 4700-01 RS232 at com: ")
                                           : QStringLiteral("Found 4700 RS232 at com: ");
    status_.printLine(found + signedNumberText(comPort) + QStringLiteral(" Baud: ") +
                      baudTable()[baudIndex]);
    foundPath = port_.openPath();
  }
  status_.refresh();
}

QString SerialLink::searchedSpeeds() const {
  return fixedBaudCode ? baudTable()[*fixedBaudCode] + QStringLiteral(" baud")
                       : QStringLiteral("all speeds");
}

QString SerialLink::unopenedLine(int failure) const {
  if (failure == serial_failure::kDeviceNotFound)
    return QStringLiteral("Can not open %1: no such device").arg(namedPort) +
           signedNumberText(failure);
  if (failure == serial_failure::kPermission)
    return QStringLiteral("Can not open %1: access refused, or held by another program")
               .arg(namedPort) +
           signedNumberText(failure);
  return {};
}

void SerialLink::searchNamedPort() {
  status_.printLine(
      QStringLiteral("Searching %1 for 4700 at %2... ").arg(namedPort, searchedSpeeds()));
  status_.refresh();

  prepareIdentify();
  deniedPort_.clear();
  comPort = 0;
  foundPath.clear();
  QString unopened = probeNamedPort();
  if (comPort == 0 && unopened.isEmpty() && clearLineOnMiss) {
    clearLine();
    unopened = probeNamedPort();
  }

  if (comPort != 0) {
    const QString found = shared_.newModel ? QStringLiteral("Found NEW 4700-01 RS232 at ")
                                           : QStringLiteral("Found 4700 RS232 at ");
    status_.printLine(found + namedPort + QStringLiteral(" Baud: ") + baudTable()[baudIndex]);
    foundPath = port_.openPath();
  } else if (!unopened.isEmpty()) {
    status_.printLine(unopened);
    if (!deniedPort_.isEmpty()) status_.printLine(serialPermissionHint(deniedPort_));
  } else {
    status_.printLine(
        QStringLiteral("Can not find 4700 on %1 at %2!").arg(namedPort, searchedSpeeds()));
  }
  status_.refresh();
}

QString SerialLink::probeNamedPort() {
  // Only a device that is there and lets itself be opened is worth another speed.
  for (int code : kUsedBaudCodes) {
    if (fixedBaudCode && code != *fixedBaudCode) continue;
    port_.clearError();
    if (probe(1, code)) {
      comPort = 1;
      return {};
    }
    if (QString unopened = unopenedLine(port_.lastError()); !unopened.isEmpty()) return unopened;
  }
  return {};
}

void SerialLink::searchAllSpeeds() {
  for (int code : kUsedBaudCodes) {
    if (fixedBaudCode && code != *fixedBaudCode) continue;
    baudIndex = code;
    Loopcom();
    if (comPort != 0) return;
  }
}

void SerialLink::clearLine() {
  // The longest command is the settings image: it can miss all but its first byte.
  const QByteArray filler(kSettingsImageSize - 1, '\0');
  for (int code : kUsedBaudCodes) {
    if (fixedBaudCode && code != *fixedBaudCode) continue;
    baudIndex = code;
    closePort();
    applyBaud();
    for (int port = 1; port <= kComSlots; ++port) {
      port_.setCommPort(port);
      port_.setPortOpen(true);
      if (!port_.portOpen()) continue;
      // The filler must be on the wire before the port changes speed: it
      // gets its wire time and the identify's time-out, what a reader is
      // given to take two bytes and answer. What the reader says to a
      // command it completed is dropped when the search opens the port again.
      port_.output(filler);
      clock_.sleepUntil(clock_.seconds() + filler.size() * 10.0 / baudTable()[code].toInt() +
                        kIdentifyTimeout);
      port_.setPortOpen(false);
    }
  }
}

void SerialLink::applyBaud() {
  // Port failures (absent, busy) are recorded by the service and never stop the pass.
  port_.setSettings(serialSettingsText(baudTable()[baudIndex]));
  port_.setInputMode(1);
}

void SerialLink::Loopcom() {
  closePort();
  applyBaud();
  comPort = 0;
  for (int port = 1; port <= kComSlots; ++port) {
    if (identifyOn(port)) {
      comPort = port;
      return;
    }
  }
}

bool SerialLink::probe(int port, int baudCode) {
  closePort();
  prepareIdentify();
  baudIndex = baudCode;
  applyBaud();
  return identifyOn(port);
}

bool SerialLink::identifyOn(int port) {
  port_.setCommPort(port);
  port_.clearInBuffer();
  port_.clearOutBuffer();
  port_.setPortOpen(true);
  if (!port_.portOpen()) {
    // Later opens of other slots may succeed, so keep the refusal now.
    const QString denied = port_.lastOpenDenied();
    if (!denied.isEmpty()) deniedPort_ = denied;
    return false;
  }

  sendTxBytes();
  Comwait(kIdentifyReplyLength, kIdentifyTimeout);
  const QByteArray newModelId(reinterpret_cast<const char*>(modelId.data()) + 3, 4);
  if (rxDone == 1 && rxBytes.size() >= 7 && rxBytes.mid(3, 4) == newModelId) {
    shared_.newModel = true;
    return true;
  }
  if (rxDone == 1 && holds4700At(rxBytes, 6)) {
    shared_.newModel = false;
    return true;
  }
  port_.setPortOpen(false);
  return false;
}

void SerialLink::Comwait(std::int16_t n, float seconds) {
  rxBytes.clear();
  rxDone = 0;
  const double start = clock_.seconds();
  do {
    if (port_.inBufferCount() == n) {
      rxBytes = port_.input();
      rxDone = 1;
      return;
    }
  } while (clock_.seconds() - start < seconds);
}

void SerialLink::Comread() {
  // Asleep: what arrives meanwhile waits in the port.
  clock_.sleepUntil(clock_.seconds() + kComreadWait);
  rxBytes = port_.input();
}

}  // namespace mv4700
