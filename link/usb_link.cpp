#include "link/usb_link.h"

#include <algorithm>

#include "link/permission_hint.h"
#include "seams/number_text.h"
#include "seams/status_box.h"

namespace mv4700 {

namespace {

constexpr int kMaxReports = 9;
// Five reports carry 40 zero bytes, more than any command can still lack.
constexpr int kFillerReports = 5;

}  // namespace

void UsbLink::Usbclose() {
  hidStatus = hid_.Close(hidDevice);
  // A closed handle must never reach the library again.
  hidDevice = 0;
}

bool UsbLink::replyStartsWith(std::span<const std::uint8_t> expected, std::size_t from) const {
  if (expected.size() > inBuffer.size() || from > expected.size()) return false;
  return std::equal(expected.begin() + from, expected.end(), inBuffer.begin() + from);
}

void UsbLink::Clearinbuf() {
  inBuffer.fill(0);
}

void UsbLink::Copyinreport() {
  std::copy_n(inBuffer.begin(), inReport.size(), inReport.begin());
}

void UsbLink::sendOutReport() {
  hidStatus = hid_.SetOutputReport_Interrupt(hidDevice, outReport.data(), kReportLength);
}

void UsbLink::readReports(int n) {
  // inBuffer holds nine reports; a larger count would let the library write past it.
  n = std::clamp(n, 1, kMaxReports);
  // What an earlier exchange left must never pass for this reply.
  Clearinbuf();
  hidStatus = hid_.GetInputReport_Interrupt(hidDevice, inBuffer.data(),
                                            static_cast<std::uint32_t>(kReportLength * n),
                                            static_cast<std::uint32_t>(n), bytesReturned);
}

void UsbLink::sendCommand(std::span<const std::uint8_t> command) {
  outReport.fill(0);
  std::copy_n(command.begin(), std::min<std::size_t>(command.size(), outReport.size() - 1),
              outReport.begin() + 1);
  sendOutReport();
}

std::uint8_t UsbLink::openAt(std::uint32_t index) {
  if (!pinned_.isEmpty() && hid_.locationAt(index) != pinned_) return hid_status::kFailed;
  const std::uint8_t status = hid_.Open(hidDevice, index, kReaderVendorId, kReaderProductId, 0);
  // A reply the device kept from before must not pass for the answer to what we send now.
  if (status == 0) hid_.FlushBuffers(hidDevice);
  return status;
}

bool UsbLink::identifyAt(std::uint32_t index) {
  Usbclose();
  if (openAt(index) != 0 || hid_.GetInputReportBufferLength(hidDevice) != kReportLength ||
      hid_.GetOutputReportBufferLength(hidDevice) != kReportLength) {
    Usbclose();
    return false;
  }
  if (!identifyOpenReader(0)) {
    Usbclose();
    return false;
  }
  return true;
}

bool UsbLink::askIdentity(std::size_t judgedFrom) {
  outReport = kIdentifyReport;
  sendOutReport();
  readReports(2);
  inReport = kIdentifyReply;
  return replyStartsWith(inReport, judgedFrom);
}

bool UsbLink::identifyOpenReader(std::size_t judgedFrom) {
  if (askIdentity(judgedFrom)) return true;
  if (!completeCutCommandOnMiss) return false;
  // A reader cut off in the middle of a command keeps collecting it, so the
  // identify's bytes went into that command. Zero bytes complete any command
  // (none starts with one, and none lacks more than 35 bytes); its answer is
  // read away, bounded by the library's time-out, before the reader is asked
  // again.
  outReport.fill(0);
  for (int i = 0; i < kFillerReports; ++i) sendOutReport();
  readReports(kMaxReports);
  hid_.FlushBuffers(hidDevice);
  return askIdentity(judgedFrom);
}

void UsbLink::Usbsearch() {
  Usbclose();
  foundPath.clear();
  if (!shared_.usbSearch) {
    shared_.linkState = link_state::kErr;
    return;
  }
  const bool loud = shared_.linkState != link_state::kLoop;
  if (loud) {
    status_.clear();
    status_.printLine(QStringLiteral("Searching TQ-4700 on USB ports..."));
    status_.refresh();
  }

  const std::uint32_t count = hid_.GetNumHidDevices(kReaderVendorId, kReaderProductId);
  hidStatus = static_cast<std::uint8_t>(count);
  bool opened = false;
  for (std::uint32_t index = 0; index < count && !opened; ++index) {
    hidStatus = openAt(index);
    opened = hidStatus == 0;
  }

  const auto fail = [this, loud] {
    Usbclose();
    shared_.linkState = link_state::kErr;
    const QString denied = hid_.lastOpenDenied();
    if (loud && !denied.isEmpty()) status_.printLine(hidPermissionHint(denied));
    status_.refresh();
  };

  if (!opened) {
    if (loud) {
      status_.printLine(QStringLiteral("No TQ-4700 connected on USB port! "));
      status_.refresh();
    }
    return fail();
  }

  if (loud) {
    status_.printLine(QStringLiteral("Checking TQ-4700 USB..."));
    status_.refresh();
  }
  hid_.GetHandle(hidDevice);
  if (hid_.GetInputReportBufferLength(hidDevice) != kReportLength) {
    if (loud) status_.printLine(QStringLiteral("USB Input buffer error"));
    return fail();
  }
  if (hid_.GetOutputReportBufferLength(hidDevice) != kReportLength) {
    if (loud) status_.printLine(QStringLiteral("USB outout buffer error"));
    return fail();
  }

  // The silent search lets the report id byte pass; every other byte must match.
  const std::size_t judgedFrom = shared_.linkState == link_state::kLoop ? 1 : 0;
  status_.refreshAll();
  if (!identifyOpenReader(judgedFrom)) {
    status_.printLine(QStringLiteral("TQ-4700 not connects to USB port !") + hexText(hidStatus));
    shared_.newModel = false;
    shared_.linkState = link_state::kErr;
    return fail();
  }
  shared_.linkState = link_state::kOk;
  foundPath = devicePath();

  status_.printLine(QStringLiteral("TQ-4700 connected on USB port !"));
  shared_.newModel = true;
  status_.refresh();
}

}  // namespace mv4700
