#include "tests/campaign/campaign_plan.h"

#include <array>

namespace mv4700::testing {

namespace {

int uniform(std::mt19937& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

QByteArray number(int n) {
  return QByteArray::number(n);
}

// A fault whose switch is a line "NAME VALUE", cleared with "NAME off".
Fault switched(const QString& row, const QByteArray& name, const QByteArray& value = "on") {
  return {row, {name + ' ' + value}, {name + " off"}};
}

// The identify waits 0.2 s at each of four speeds, a settings reply 1 s, the
// version read 0.5 s, the loader's ready byte 6 s.
Fault timingFault(std::mt19937& random) {
  switch (uniform(random, 0, 3)) {
    case 0:
      return {"reply-delay inside", {"reply-delay 0.12"}, {"reply-delay 0"}, -1, 4};
    case 1:
      return {"reply-delay outside", {"reply-delay 0.3"}, {"reply-delay 0"}, -1, 4};
    case 2:
      return {"slow boot inside", {"boot-seconds 5.5"}, {"boot-seconds 1.2"}, -1, 5};
    default:
      return {"slow boot outside", {"boot-seconds 6.5"}, {"boot-seconds 1.2"}, -1, 6};
  }
}

Fault lineFault(std::mt19937& random) {
  const QByteArray seed = number(uniform(random, 1, 1000000));
  switch (uniform(random, 0, 4)) {
    case 0:
      return switched("bit-errors", "bit-errors", "0.002:" + seed);
    case 1:
      return switched("drop", "drop", "0.002:" + seed);
    case 2:
      return switched("leading", "leading", "00");
    case 3:
      return switched("adapter-latency", "adapter-latency", "16");
    default:
      return switched("power-glitch", "power-glitch");
  }
}

Fault readerFault(std::mt19937& random) {
  switch (uniform(random, 0, 3)) {
    case 0:
      return switched("silent", "silent");
    case 1:
      return switched("noisy", "noisy");
    case 2:
      return switched("extra", "extra", "0D");
    default:
      return switched("wrong-identify", "wrong-identify");
  }
}

Fault loaderFault(std::mt19937& random, int frames) {
  const QByteArray frame = number(uniform(random, 0, frames));
  switch (uniform(random, 0, 4)) {
    case 0:
      return switched("loader-stall", "loader-stall", frame);
    case 1:
      return switched("loader-refuse", "loader-refuse", frame);
    case 2: {
      static const std::array<const char*, 5> steps{"ready", "update", "length", "speed", "end"};
      const QByteArray byte = QByteArray(1, static_cast<char>(uniform(random, 0, 255))).toHex();
      return switched("loader-answer", "loader-answer",
                      QByteArray(steps[uniform(random, 0, 4)]) + ':' + byte);
    }
    case 3: {
      Fault f = switched("loader-unplug", "loader-unplug", frame);
      f.off << "replug";
      return f;
    }
    default:
      return switched("loader-forget", "loader-forget");
  }
}

Fault hangup(std::mt19937& random, double within) {
  return {"hangup", {}, {"replug"}, std::uniform_real_distribution<double>(0, within)(random), 0};
}

// USB: how many output reports a fault-free run of the command sends (a
// 300-byte image goes in 52 data reports of six bytes).
int usbReports(Command command) {
  switch (command) {
    case Command::Write:
      return 8;
    case Command::Reset:
    case Command::Version:
      return 4;
    case Command::Read:
      return 2;
    case Command::Flash:
    case Command::Rescue:
      return 59;
    case Command::Test:
      return 1;
  }
  return 1;
}

constexpr int kUsbDataReports = 52;

// What a USB device or its driver can do wrong. A reply later than the read's
// 1 s time-out is left queued for the next read; with the queued reports kept
// across a close it is still there after the next open.
Fault hidFault(std::mt19937& random, Command command) {
  Fault f{"usb ", {}, {}};
  switch (uniform(random, 0, 4)) {
    case 0:
      f.name += "hid-refuse";
      f.hid.refuseOutputReport = uniform(random, 1, usbReports(command));
      break;
    case 1:
      f.name += "latency inside";
      f.hid.replyLatency = 0.95;
      f.extraSeconds = 0.95 * usbReports(command);
      break;
    case 2:
      f.name += "latency outside";
      f.hid.replyLatency = 1.05;
      f.extraSeconds = 1.05 * usbReports(command);
      break;
    case 3:
      f.name += "kept late replies";
      f.hid.keepQueuedReports = true;
      f.hid.replyLatency = 1.05;
      f.extraSeconds = 1.05 * usbReports(command);
      break;
    default:
      f.name += "new node";
      f.hid.newNodeOnRestart = true;
      break;
  }
  return f;
}

Fault usbReaderFault(std::mt19937& random) {
  switch (uniform(random, 0, 2)) {
    case 0:
      return switched("usb silent", "silent");
    case 1:
      return switched("usb noisy", "noisy");
    default:
      return switched("usb wrong-identify", "wrong-identify");
  }
}

}  // namespace

QString commandName(Command command) {
  switch (command) {
    case Command::Write:
      return "write";
    case Command::Read:
      return "read -o";
    case Command::Reset:
      return "reset";
    case Command::Version:
      return "version";
    case Command::Flash:
      return "flash";
    case Command::Rescue:
      return "rescue";
    case Command::Test:
      return "test";
  }
  return {};
}

Plan drawPlan(std::mt19937& random, int imageFrames) {
  // Settings commands are cheap; an update costs a reboot and its check.
  static const std::array<Command, 12> commands{Command::Write,   Command::Write, Command::Read,
                                                Command::Read,    Command::Reset, Command::Version,
                                                Command::Version, Command::Flash, Command::Flash,
                                                Command::Rescue,  Command::Test,  Command::Write};
  Plan plan;
  plan.command = commands[uniform(random, 0, commands.size() - 1)];
  plan.count = uniform(random, 1, 3);
  const bool loader = plan.command == Command::Flash || plan.command == Command::Rescue;
  const int kind = uniform(random, 0, 9);
  if (kind <= 1) {
    plan.fault = {"none", {}, {}};
  } else if (kind <= 3) {
    plan.fault = lineFault(random);
  } else if (kind <= 5 && loader) {
    plan.fault = loaderFault(random, imageFrames);
  } else if (kind <= 5) {
    plan.fault = readerFault(random);
  } else if (kind <= 7) {
    plan.fault = timingFault(random);
  } else if (kind == 8 && !loader) {
    plan.fault = readerFault(random);
  } else {
    plan.fault = hangup(random, loader ? 3.0 : 0.6);
  }
  return plan;
}

}  // namespace mv4700::testing

namespace mv4700::testing {

namespace {
const std::array<Command, 12>& commandWeights() {
  static const std::array<Command, 12> commands{Command::Write,   Command::Write, Command::Read,
                                                Command::Read,    Command::Reset, Command::Version,
                                                Command::Version, Command::Flash, Command::Flash,
                                                Command::Rescue,  Command::Test,  Command::Write};
  return commands;
}
}  // namespace

Plan drawUsbPlan(std::mt19937& random) {
  Plan plan;
  plan.usb = true;
  plan.command = commandWeights()[uniform(random, 0, commandWeights().size() - 1)];
  plan.count = uniform(random, 1, 3);
  const bool loader = plan.command == Command::Flash || plan.command == Command::Rescue;
  const int kind = uniform(random, 0, 9);
  if (kind <= 1) {
    plan.fault = {"usb none", {}, {}};
  } else if (kind <= 4) {
    plan.fault = hidFault(random, plan.command);
  } else if (kind <= 6 && loader) {
    // The serial loader faults; a USB loader counts its data reports.
    plan.fault = loaderFault(random, kUsbDataReports);
    plan.fault.name.prepend("usb ");
  } else if (kind <= 7) {
    plan.fault = usbReaderFault(random);
  } else {
    plan.fault = {"usb hangup", {}, {}};
    plan.fault.unplugAfterReports = uniform(random, 1, usbReports(plan.command));
  }
  return plan;
}

StepDraw drawStep(unsigned seed, int step, int imageFrames, bool usbOnly) {
  std::seed_seq linkSeed{seed, static_cast<unsigned>(step), 1u};
  std::mt19937 linkRandom(linkSeed);
  if (uniform(linkRandom, 0, 3) == 0 || usbOnly) {
    const Plan plan = drawUsbPlan(linkRandom);
    return {plan, linkRandom};
  }
  std::seed_seq stepSeed{seed, static_cast<unsigned>(step)};
  std::mt19937 random(stepSeed);
  const Plan plan = drawPlan(random, imageFrames);
  return {plan, random};
}

}  // namespace mv4700::testing
