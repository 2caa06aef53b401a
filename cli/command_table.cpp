#include "cli/command_table.h"

#include <QString>

namespace mv4700::cli {

namespace {

constexpr std::array<OptionRow, 9> kGlobal{{
    {"", "usb", "HIDRAW-PATH", "Use the USB reader at this hidraw node; no search."},
    {"", "serial", "PORT-PATH", "Use the reader on this serial port; no search."},
    {"", "baud", "N", "Only this speed on the serial ports (9600, 19200, 57600, 115200)."},
    {"y", "yes", nullptr, "Answer the question of reset and flash with yes."},
    {"", "json", nullptr, "Print the results as JSON, one object a line."},
    {"", "watch", nullptr,
     "Run again on every next reader, until Ctrl+C (write, flash, reset, read -o, version)."},
    {"", "all", nullptr, "Run the command on every reader found, all at once."},
    {"h", "help", nullptr, "Show this help."},
    {"", "version", nullptr, "Show the versions of mv4700, Qt and hidapi."},
}};

constexpr std::array<OptionRow, 1> kReadOptions{{
    {"o", "output", "FILE.mvs",
     "Save the settings to this .mvs file, byte for byte as the window saves them, instead "
     "of printing them (numbered with --watch and --all)."},
}};
constexpr std::array<OptionRow, 2> kWriteOptions{{
    {"", "verify", nullptr, "Read the settings back and compare every field (the default)."},
    {"", "no-verify", nullptr, "Do not read the settings back."},
}};
constexpr std::array<OptionRow, 1> kFlashOptions{{
    {"", "rescue", nullptr,
     "For a reader left in its loader: wait for the loader through a power cycle (USB, or "
     "--serial)."},
}};
constexpr std::array<OptionRow, 1> kTestOptions{{
    {"", "count", "N", "End after N IDs."},
}};

constexpr std::array<CommandRow, 7> kCommands{{
    {"list",
     "list",
     "the readers found on USB and on the serial ports",
     "Asks every USB reader and every serial port at each speed; prints USB\n"
     "readers with their hidraw path and model, serial readers with their COM\n"
     "slot, port path, speed and model.",
     0,
     {},
     runList},
    {"read", "read [-o FILE.mvs]", "the reader's settings; -o saves them to a file",
     "Prints the reader's settings readably. The file of -o is checked before\n"
     "the reader is asked: a folder that is not there or cannot be written\n"
     "sends nothing.",
     0, kReadOptions, runRead},
    {"write", "write FILE.mvs [--no-verify]", "the settings of a .mvs file, read back",
     "Writes the settings of a settings file to the reader, then reads them\n"
     "back and compares every field: exit 0 only when the reader holds them\n"
     "(--no-verify skips the read back; --verify is the default). The file is\n"
     "read first: a file that cannot be read sends nothing.",
     1, kWriteOptions, runWrite},
    {"reset",
     "reset",
     "the reader's own defaults (asks first)",
     "Sets the reader to its own defaults, after asking (--yes answers yes), and\n"
     "reads its settings back: exit 0 only when the reader holds the defaults.",
     0,
     {},
     runReset},
    {"version",
     "version",
     "the firmware version text",
     "Prints the firmware version text. The reply carries no checksum, so the\n"
     "version is read again: it counts once two reads agree (at most three).",
     0,
     {},
     runVersion},
    {"flash", "flash [--rescue] IMAGE.bin",
     "a firmware update, verified (checks the image, asks first)",
     "Checks the image, asks (--yes answers yes), then updates the firmware. On\n"
     "a terminal a progress bar shows the transfer, otherwise the window's dots.\n"
     "Then it waits for the reader to come back and compares the version it\n"
     "reports with the image's: \"Verified: ...\" and exit 0, or \"Verify\n"
     "failed: ...\" and exit 2.\n"
     "Ctrl+C before the erase stops at once and the reader keeps its program.\n"
     "From the erase on, the first Ctrl+C only warns, at once, even while the\n"
     "reader's loader is awaited; a Ctrl+C after the warning stops the transfer,\n"
     "which then runs its closing steps and leaves the reader without a working\n"
     "program (exit 130).\n"
     "--rescue is for such a reader, left in its loader: it waits up to 60 s for\n"
     "the loader while the reader is switched off and on again, then flashes and\n"
     "verifies as above (exit 1 when no loader showed, and nothing is sent). On\n"
     "USB only a reader that comes onto the bus during the wait counts; with\n"
     "--serial PATH the loader's ready byte at 9600 baud on that port.",
     1, kFlashOptions, runFlash},
    {"test", "test [--count N]", "each ID the reader sends, until Ctrl+C or N IDs",
     "Prints each ID that the reader sends, one line each, until Ctrl+C or N\n"
     "IDs. A USB reader types as a keyboard: keep this terminal in focus.\n"
     "Standard input ending, or the serial line lost, before N IDs is exit 2.",
     0, kTestOptions, runTest},
}};

bool named(const OptionRow& option, const QString& word) {
  if (word == QLatin1String("--") + QLatin1String(option.longName)) return true;
  return *option.shortName && word == QLatin1String("-") + QLatin1String(option.shortName);
}

}  // namespace

std::span<const OptionRow> globalOptions() {
  return kGlobal;
}

std::span<const CommandRow> commands() {
  return kCommands;
}

const CommandRow* findCommand(const QString& name) {
  for (const CommandRow& c : kCommands) {
    if (name == QLatin1String(c.name)) return &c;
  }
  return nullptr;
}

bool takesValue(const QString& word) {
  for (const OptionRow& o : kGlobal) {
    if (o.valueName && named(o, word)) return true;
  }
  for (const CommandRow& c : kCommands) {
    for (const OptionRow& o : c.options) {
      if (o.valueName && named(o, word)) return true;
    }
  }
  return false;
}

}  // namespace mv4700::cli
