#pragma once

#include <QStringList>

#include "cli/devices.h"
#include "cli/io.h"

namespace mv4700::cli {

// The command line: parses `arguments` (program name first), runs the
// command on the given backends and returns the exit status.
int runCommandLine(const QStringList& arguments, Devices& devices, const Io& io);

}  // namespace mv4700::cli
