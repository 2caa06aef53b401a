#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "link/link_state.h"
#include "link/serial_service.h"

namespace mv4700 {

class Clock;
class StatusBox;

// The reader on a serial port: port and baud search, model detection, and the
// bounded receive waits.
class SerialLink {
 public:
  SerialLink(SerialService& port, StatusBox& status, Clock& clock, LinkShared& shared)
      : port_(port), status_(status), clock_(clock), shared_(shared) {}

  void Comsearch();
  void Loopcom();
  // Waits up to `seconds` for exactly n received bytes (a burst past n times out).
  void Comwait(std::int16_t n, float seconds);
  // Waits half a second and takes whatever arrived.
  void Comread();

  // Send txBytes on the open port.
  void sendTxBytes();
  // Close the port if it is open.
  void closePort();
  // Asks COM `port` at the baud of `baudCode` who it is, without a status
  // line; true leaves the port open with newModel set.
  bool probe(int port, int baudCode);
  // For the named port: the line that says why it could not be opened, with
  // the failure number (no such device, access refused); empty for any other
  // failure.
  QString unopenedLine(int failure) const;

  int comPort = 0;
  int baudIndex = 0;
  QByteArray txBytes;
  QByteArray rxBytes;
  int rxDone = 0;
  std::array<std::uint8_t, 9> modelId{};
  // The one baud code the search tries, when the front end fixed the speed.
  std::optional<int> fixedBaudCode;
  // The one device a front end named, put in COM slot 1: the search asks only
  // that slot, its lines name the device, and a device that is not there or
  // refuses access ends the search at once with its own line.
  QString namedPort;
  // Where the last search found the reader (a device path); empty when the
  // port cannot tell.
  QString foundPath;
  // When the search finds nothing, clear the line of any command the reader
  // was still collecting (see clearLine()) and search once more.
  bool clearLineOnMiss = false;

  SerialService& port() { return port_; }

 private:
  void prepareIdentify();
  void applyBaud();
  void searchNamedPort();
  // Asks the named port at each speed; sets comPort when a reader answered,
  // else returns the line of a port that could not be opened (or nothing).
  QString probeNamedPort();
  QString searchedSpeeds() const;
  bool identifyOn(int port);
  void searchAllSpeeds();
  // Sends each port, at each speed the search tries, more filler bytes than
  // any command still misses: a reader cut off in the middle of a command
  // (the adapter pulled, a byte lost) takes them to complete it or break it
  // off, since it has no time-out on a command it is collecting. No command
  // starts with the filler byte, so a reader with nothing pending ignores it.
  void clearLine();

  SerialService& port_;
  StatusBox& status_;
  Clock& clock_;
  LinkShared& shared_;
  QString deniedPort_;  // the last slot the system refused during this search
};

// "9600,n,8,1" for a baud text.
QString serialSettingsText(const QString& baud);

}  // namespace mv4700
