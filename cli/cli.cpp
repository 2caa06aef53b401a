#include "cli/cli.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QtGlobal>
#include <cerrno>
#include <cstring>

#include "cli/arguments.h"
#include "cli/exit_status.h"
#include "cli/json_lines.h"
#include "cli/output.h"
#include "cli/run_all.h"
#include "cli/run_context.h"
#include "cli/signals.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "cli/watch_loop.h"
#include "link/device_session.h"
#include "settings/code_tables.h"
#include "settings/entry_code.h"

#ifndef MV4700_VERSION
#error "MV4700_VERSION comes from the project's version, on the mv4700_cli target"
#endif

namespace mv4700::cli {

namespace {

void print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
}

QString versionText(const Devices& devices) {
  return QStringLiteral("mv4700 %1\nQt %2\nhidapi %3\n")
      .arg(QLatin1String(MV4700_VERSION), QLatin1String(qVersion()),
           devices.hidVersion.isEmpty() ? QStringLiteral("unknown") : devices.hidVersion);
}

// The USB device that --usb named, when it is not there. A serial port's
// search says so itself, with the port's failure number.
QString missingDevice(const Invocation& inv, const Devices& devices) {
  if (!inv.usbPath.isEmpty() && !devices.deviceExists(inv.usbPath)) return inv.usbPath;
  return {};
}

// A named device replaces the search: the other link is not searched, and
// the serial slots are that one port.
void chooseDevice(const Invocation& inv, Devices& devices, DeviceSession& session) {
  if (!inv.usbPath.isEmpty()) {
    const QString canonical = QFileInfo(inv.usbPath).canonicalFilePath();
    devices.useOnlyUsbPath(canonical.isEmpty() ? inv.usbPath : canonical);
    session.shared.serialSearch = false;
  }
  if (!inv.serialPath.isEmpty()) {
    devices.useOnlySerialPath(inv.serialPath);
    session.serial.namedPort = inv.serialPath;
    session.shared.usbSearch = false;
  }
  session.serial.clearLineOnMiss = true;
  session.usb.completeCutCommandOnMiss = true;
  if (inv.baud) session.serial.fixedBaudCode = entryCode(baudTable(), QString::number(*inv.baud));
}

// The exit status once standard output had its last word: a write that
// failed is a file problem, named on one line; a closed pipe ends quietly.
int afterOutput(int status, const Output& output, const Io& io) {
  if (const int ending = SignalHandling::endingStatus()) return ending;
  const int failure = output.failed();
  if (failure == 0) return status;
  if (failure == EPIPE) return 128 + SIGPIPE;
  print(io.err, QStringLiteral("mv4700: cannot write standard output: %1\n")
                    .arg(QString::fromLocal8Bit(std::strerror(failure))));
  return exit_status::kFileProblem;
}

int run(const Invocation& inv, Devices& devices, const Io& io, Output& output) {
  StreamStatusBox status(io.err);
  if (const QString missing = missingDevice(inv, devices); !missing.isEmpty() && !inv.watch) {
    status.note(QStringLiteral("mv4700: no such device: ") + missing);
    return exit_status::kNoReader;
  }
  TerminalDialogs dialogs(io, inv.yes, status);
  DeviceSession session(devices.hid, devices.serial, status, devices.clock);
  chooseDevice(inv, devices, session);
  RunContext run{inv, devices, io, session, status, dialogs, output};

  const int exitStatus = inv.all     ? runAll(run)
                         : inv.watch ? watchLoop(run, inv.runner)
                                     : inv.runner(run);
  status.finish();
  return exitStatus;
}

}  // namespace

int runCommandLine(const QStringList& arguments, Devices& devices, const Io& io) {
  const SignalHandling signalHandling;
  const ParsedArguments parsed = parseArguments(arguments);
  if (!parsed.invocation && parsed.help.isEmpty() && !parsed.version) {
    print(io.err, QStringLiteral("mv4700: %1\nTry 'mv4700 --help'.\n").arg(parsed.error));
    if (!parsed.json) return exit_status::kUsage;
    Output output(io.out, true);
    output.objectLine(usageErrorJson(parsed.command, parsed.error));
    return afterOutput(exit_status::kUsage, output, io);
  }
  Output output(io.out, parsed.invocation && parsed.invocation->json);
  if (!parsed.invocation) {
    output.text(parsed.version ? versionText(devices) : parsed.help);
    return afterOutput(exit_status::kDone, output, io);
  }

  const Invocation& inv = *parsed.invocation;
  int exitStatus = run(inv, devices, io, output);
  if (const int ending = SignalHandling::endingStatus()) exitStatus = ending;
  // --watch and --all print a line a reader and a tally; one that ended
  // before its first line still prints its one object.
  if ((!inv.watch && !inv.all) || !output.wroteObject()) {
    output.fields()[QStringLiteral("command")] = inv.command;
    output.fields()[QStringLiteral("exitStatus")] = exitStatus;
    output.finish();
  }
  return afterOutput(exitStatus, output, io);
}

}  // namespace mv4700::cli
