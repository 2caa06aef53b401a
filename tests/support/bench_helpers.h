#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "fleet/bench_engine.h"
#include "fleet/worker_thread.h"
#include "link/serial_qt.h"
#include "seams/clock.h"
#include "sim/sample_image.h"
#include "sim/sim_hid.h"

namespace mv4700::testing {

// Each bench reader's own product serial port, reaching its slot alone, and
// an empty USB bus.
inline ReaderBackends productPortBackends(const ListedReader& reader) {
  ReaderBackends b;
  b.clock = std::make_unique<SteadyClock>();
  b.hid = std::make_unique<SimHidLibrary>(*b.clock);
  auto port = std::make_unique<QtSerialService>();
  port->setOnlyPort(reader.path, reader.comPort);
  b.serial = std::move(port);
  return b;
}

// Whether the port at `path` opens at once: nothing holds it any more. Opened
// on a Qt thread, as the ports live.
inline bool portOpensAgain(const QString& path) {
  bool opened = false;
  WorkerThread([&path, &opened] {
    QtSerialService port;
    port.setOnlyPort(path);
    port.setCommPort(1);
    port.setPortOpen(true);
    opened = port.portOpen();
  }).join();
  return opened;
}

// A sample firmware image of `length` bytes with `version`, as a file in `dir`.
inline QString sampleImageFile(const QTemporaryDir& dir, int length, const QByteArray& version) {
  const QString path = dir.filePath(QStringLiteral("sample.bin"));
  QFile file(path);
  const QByteArray image = makeSampleImage(length, version);
  if (!file.open(QIODevice::WriteOnly) || file.write(image) != image.size()) return {};
  return path;
}

}  // namespace mv4700::testing
