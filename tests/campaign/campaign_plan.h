#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <random>

namespace mv4700::testing {

// What one step of the campaign asks of mv4700.
enum class Command { Write, Read, Reset, Version, Flash, Rescue, Test };

// What a USB step spoils in the HID device or its driver
// (SimHidLibrary::DeviceSetup), from before the command until after it.
struct HidFault {
  int refuseOutputReport = 0;  // the n-th output report after an open fails (0: none)
  double replyLatency = 0;     // seconds until a reply can be read; the read waits 1 s
  bool keepQueuedReports = false;
  bool newNodeOnRestart = false;
};

// One fault of the line or the reader, switched on before the command and
// cleared after it; or a hangup of the adapter at a moment within the command.
// A USB step's `on` and `off` lines go to switchReaderFault.
struct Fault {
  QString name;                // the table's row: "none", "silent", "loader-stall"...
  QList<QByteArray> on;        // emulator lines before the command
  QList<QByteArray> off;       // emulator lines after it
  double hangupAfter = -1;     // seconds into the command; < 0: no hangup
  double extraSeconds = 0;     // what the fault may add to the command's waits
  HidFault hid = {};           // USB only
  int unplugAfterReports = 0;  // USB: the reader unplugged after this many output reports
};

struct Plan {
  bool usb = false;  // runs mv4700 in process over the emulator's HID library
  Command command = Command::Version;
  Fault fault;
  int count = 0;  // test: the IDs asked for
};

QString commandName(Command command);

// Draws the step's command and a fault that means something to it.
Plan drawPlan(std::mt19937& random, int imageFrames);

// The same for a step over USB: the command as drawPlan draws it, and a
// fault that means something on USB (fault rows named "usb ...").
Plan drawUsbPlan(std::mt19937& random);

// Step `step`'s plan, and the generator its bench goes on drawing from. The
// link is drawn from a generator of its own, seed_seq{seed, step, 1}: one
// step in four runs over USB, and a USB step's plan and draws come from that
// generator too, so a serial step draws exactly what it drew before USB steps
// were added. With `usbOnly` every step is the USB step it would be.
struct StepDraw {
  Plan plan;
  std::mt19937 random;
};
StepDraw drawStep(unsigned seed, int step, int imageFrames, bool usbOnly);

}  // namespace mv4700::testing
