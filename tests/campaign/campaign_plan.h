#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <random>

namespace mv4700::testing {

// What one step of the campaign asks of mv4700.
enum class Command { Write, Read, Reset, Version, Flash, Rescue, Test };

// One fault of the line or the reader, switched on before the command and
// cleared after it; or a hangup of the adapter at a moment within the command.
struct Fault {
  QString name;             // the table's row: "none", "silent", "loader-stall"...
  QList<QByteArray> on;     // emulator lines before the command
  QList<QByteArray> off;    // emulator lines after it
  double hangupAfter = -1;  // seconds into the command; < 0: no hangup
  double extraSeconds = 0;  // what the fault may add to the command's waits
};

struct Plan {
  Command command = Command::Version;
  Fault fault;
  int count = 0;  // test: the IDs asked for
};

QString commandName(Command command);

// Draws the step's command and a fault that means something to it.
Plan drawPlan(std::mt19937& random, int imageFrames);

}  // namespace mv4700::testing
