// mv4700: the command line for Mirevantis 4700 readers, for scripts and
// production lines. The same core and backends as the window, no display.
#include <unistd.h>

#include <QCoreApplication>
#include <memory>

#include "cli/cli.h"
#include "link/hid_hidapi.h"
#include "link/pseudo_terminals.h"
#include "link/serial_qt.h"
#include "seams/clock.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("mv4700"));

  mv4700::HidapiLibrary hid;
  mv4700::QtSerialService serial;
  mv4700::SteadyClock clock;
  mv4700::cli::Devices devices{hid, serial, clock};
  devices.hidVersion = QString::fromStdString(mv4700::hidapiVersion());
  devices.useOnlyUsbPath = [&hid](const QString& path) { hid.setOnlyPath(path.toStdString()); };
  devices.useOnlySerialPath = [&serial](const QString& path) { serial.setOnlyPort(path); };
  devices.serialPortAt = [](const QString& path, int slot) -> std::unique_ptr<mv4700::SerialService> {
    auto port = std::make_unique<mv4700::QtSerialService>();
    if (!path.isEmpty()) port->setOnlyPort(path, slot);
    return port;
  };
  devices.makeClock = [] { return std::make_unique<mv4700::SteadyClock>(); };
  devices.unsearchedTerminals = [] {
    return mv4700::unsearchedPseudoTerminals(mv4700::ownTerminals());
  };

  mv4700::cli::Io io;
  io.inIsTerminal = ::isatty(STDIN_FILENO) == 1;
  io.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
  return mv4700::cli::runCommandLine(QCoreApplication::arguments(), devices, io);
}
