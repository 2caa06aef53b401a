#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "link/hid_library.h"
#include "link/link_state.h"

namespace mv4700 {

class StatusBox;

// The bytes of a QByteArray as the report exchange takes them.
inline std::span<const std::uint8_t> asBytes(const QByteArray& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
          static_cast<std::size_t>(bytes.size())};
}

inline constexpr std::array<std::uint8_t, 9> kIdentifyReport{0x00, 0x1B, 0x00, 0, 0, 0, 0, 0, 0};
inline constexpr std::array<std::uint8_t, 9> kIdentifyReply{0x00, 0x1B, 0x00, 0x07, '4',
                                                            '7',  '0',  '0',  'I'};

// The reader on USB: search and identify, and the 9-byte report exchange.
class UsbLink {
 public:
  UsbLink(HidLibrary& hid, StatusBox& status, LinkShared& shared)
      : hid_(hid), status_(status), shared_(shared) {}

  void Usbsearch();
  void Usbclose();
  // How many devices carry the reader's vendor and product ids.
  std::uint32_t readerCount() { return hid_.GetNumHidDevices(kReaderVendorId, kReaderProductId); }
  // Opens device `index` and asks who it is, without a status line; true
  // leaves a reader open.
  bool identifyAt(std::uint32_t index);
  // The device the last search or open was refused access to, if any.
  QString lastOpenDenied() const { return hid_.lastOpenDenied(); }
  // Where the open device lives, when the library knows.
  QString devicePath() const { return hid_.devicePath(hidDevice); }
  HidLibrary& library() { return hid_; }
  // Keeps the searches to the port chain the open reader is plugged into, so
  // the reader is found again when it comes back as a new device and a
  // neighbour never is; unpinned (every device) when the library cannot tell.
  void pinToOpenReader() { pinned_ = hid_.deviceLocation(hidDevice); }
  // The same for the reader plugged in at `location` (empty: every device).
  void pinTo(const QString& location) { pinned_ = location; }
  void unpin() { pinned_.clear(); }
  QString pinnedLocation() const { return pinned_; }
  void Clearinbuf();
  void Copyinreport();

  // The exchange: send outReport, then read n (1, 2, 5 or 9) reports into
  // inBuffer, cleared first: what did not arrive reads as 0.
  void sendOutReport();
  void readReports(int n);
  // Fill outReport with id 0 and the first 8 command bytes, zero-filled, and send it.
  void sendCommand(std::span<const std::uint8_t> command);
  void sendCommand(std::initializer_list<std::uint8_t> command) {
    sendCommand(std::span(command.begin(), command.size()));
  }
  void sendCommand(const QByteArray& command) { sendCommand(asBytes(command)); }

  // Whether the reply in inBuffer begins with `expected`; bytes before `from`
  // are not judged.
  bool replyStartsWith(std::span<const std::uint8_t> expected, std::size_t from = 0) const;
  bool replyStartsWith(std::initializer_list<std::uint8_t> expected) const {
    return replyStartsWith(std::span(expected.begin(), expected.size()));
  }

  // When the identify gets no sound reply, complete a command the reader
  // may still be collecting and ask once more (the command line's searches).
  bool completeCutCommandOnMiss = false;

  HidHandle hidDevice = 0;
  // Where the last search found the reader; empty when the library cannot tell.
  QString foundPath;
  std::uint8_t hidStatus = 0;
  std::uint32_t bytesReturned = 0;
  std::array<std::uint8_t, 9> outReport{};
  std::array<std::uint8_t, 81> inBuffer{};
  std::array<std::uint8_t, 9> inReport{};

 private:
  // Opens device `index` of the last count, if the pin lets the search take it.
  std::uint8_t openAt(std::uint32_t index);
  // Sends the identify report to the open device; true when the reply is the
  // reader's, bytes before `judgedFrom` not judged. It leaves the reply in
  // inBuffer and the expected one in inReport.
  bool askIdentity(std::size_t judgedFrom);
  bool identifyOpenReader(std::size_t judgedFrom);

  HidLibrary& hid_;
  StatusBox& status_;
  LinkShared& shared_;
  QString pinned_;
};

}  // namespace mv4700
