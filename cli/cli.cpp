#include "cli/cli.h"

#include <QFileInfo>
#include <QJsonObject>

#include "cli/arguments.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/run_context.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "cli/watch_loop.h"
#include "link/device_session.h"
#include "settings/code_tables.h"
#include "settings/entry_code.h"

namespace mv4700::cli {

namespace {

Runner runnerFor(const QString& command) {
  if (command == u"list") return runList;
  if (command == u"read") return runRead;
  if (command == u"write") return runWrite;
  if (command == u"reset") return runReset;
  if (command == u"version") return runVersion;
  if (command == u"flash") return runFlash;
  return runTest;
}

void print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
  std::fflush(stream);
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
    session.shared.usbSearch = false;
  }
  if (inv.baud) session.serial.fixedBaudCode = entryCode(baudTable(), QString::number(*inv.baud));
}

}  // namespace

int runCommandLine(const QStringList& arguments, Devices& devices, const Io& io) {
  const ParsedArguments parsed = parseArguments(arguments);
  if (!parsed.help.isEmpty()) {
    print(io.out, parsed.help);
    return exit_status::kDone;
  }
  if (!parsed.invocation) {
    print(io.err, QStringLiteral("mv4700: %1\nTry 'mv4700 --help'.\n").arg(parsed.error));
    return exit_status::kUsage;
  }
  const Invocation& inv = *parsed.invocation;

  StreamStatusBox status(io.err);
  TerminalDialogs dialogs(io, inv.yes, status);
  DeviceSession session(devices.hid, devices.serial, status, devices.clock);
  chooseDevice(inv, devices, session);
  Output output(io.out, inv.json);
  RunContext run{inv, devices, io, session, status, dialogs, output};

  const Runner runner = runnerFor(inv.command);
  const int exitStatus = inv.watch ? watchLoop(run, runner) : runner(run);
  status.finish();
  if (!inv.watch) {
    output.fields()[QStringLiteral("command")] = inv.command;
    output.fields()[QStringLiteral("exitStatus")] = exitStatus;
    output.finish();
  }
  return exitStatus;
}

}  // namespace mv4700::cli
