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
