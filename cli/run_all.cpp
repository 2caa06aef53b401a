// --all: one command on every reader of the bench at once, through the bench
// engine of fleet/. Each reader runs the command's own runner, with its own
// session, status lines, results and answers; only the output is shared.
#include "cli/run_all.h"

#include <QJsonObject>
#include <QSet>
#include <memory>
#include <mutex>
#include <optional>

#include "cli/bench_lines.h"
#include "cli/exit_status.h"
#include "cli/json_lines.h"
#include "cli/output.h"
#include "cli/signals.h"
#include "cli/stream_status_box.h"
#include "cli/terminal_dialogs.h"
#include "firmware/first_stage.h"
#include "fleet/bench_engine.h"
#include "fleet/bench_search.h"
#include "fleet/bench_watch.h"
#include "link/device_session.h"
#include "link/hid_library.h"
#include "link/serial_service.h"
#include "seams/clock.h"
#include "settings/code_tables.h"
#include "settings/entry_code.h"
#include "settings/plain_fields.h"
#include "settings/save_target.h"
#include "settings/settings_file.h"

namespace mv4700::cli {

namespace {

// A serial reader's session finds no USB reader.
class NoHid final : public HidLibrary {
 public:
  std::uint32_t GetNumHidDevices(std::uint16_t, std::uint16_t) override { return 0; }
  std::uint8_t Open(HidHandle& d, std::uint32_t, std::uint16_t, std::uint16_t,
                    std::uint32_t) override {
    d = 0;
    return 1;
  }
  HidHandle GetHandle(HidHandle d) override { return d; }
  std::uint16_t GetInputReportBufferLength(HidHandle) override { return 0; }
  std::uint16_t GetOutputReportBufferLength(HidHandle) override { return 0; }
  std::uint8_t SetOutputReport_Interrupt(HidHandle, const std::uint8_t*, std::uint32_t) override {
    return 1;
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle, std::uint8_t*, std::uint32_t, std::uint32_t,
                                        std::uint32_t& got) override {
    got = 0;
    return 1;
  }
  std::uint8_t Close(HidHandle) override { return 0; }
};

// The USB readers share the process's one HID library, one reader after
// another: hidapi's set-up, its end and its error text are process-wide, so a
// library per thread is not safe. Every call is also made under a lock.
class SharedHid final : public HidLibrary {
 public:
  SharedHid(HidLibrary& inner, std::mutex& calls) : inner_(inner), calls_(calls) {}
  std::uint32_t GetNumHidDevices(std::uint16_t v, std::uint16_t p) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.GetNumHidDevices(v, p);
  }
  std::uint8_t Open(HidHandle& d, std::uint32_t i, std::uint16_t v, std::uint16_t p,
                    std::uint32_t n) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.Open(d, i, v, p, n);
  }
  HidHandle GetHandle(HidHandle d) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.GetHandle(d);
  }
  std::uint16_t GetInputReportBufferLength(HidHandle d) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.GetInputReportBufferLength(d);
  }
  std::uint16_t GetOutputReportBufferLength(HidHandle d) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.GetOutputReportBufferLength(d);
  }
  std::uint8_t SetOutputReport_Interrupt(HidHandle d, const std::uint8_t* b,
                                         std::uint32_t n) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.SetOutputReport_Interrupt(d, b, n);
  }
  std::uint8_t GetInputReport_Interrupt(HidHandle d, std::uint8_t* b, std::uint32_t size,
                                        std::uint32_t reports, std::uint32_t& got) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.GetInputReport_Interrupt(d, b, size, reports, got);
  }
  std::uint8_t Close(HidHandle d) override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.Close(d);
  }
  QString lastOpenDenied() const override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.lastOpenDenied();
  }
  QString devicePath(HidHandle d) const override {
    const std::lock_guard<std::mutex> lock(calls_);
    return inner_.devicePath(d);
  }

 private:
  HidLibrary& inner_;
  std::mutex& calls_;
};

// What the factory made for the reader of the calling thread: its command
// runs on these.
struct ThreadReader {
  HidLibrary* hid = nullptr;
  SerialService* serial = nullptr;
  Clock* clock = nullptr;
  ListedReader where;
};
thread_local ThreadReader threadReader;

// A USB reader's serial port reaches no port: its session searches USB only.
const QString kNoPort = QStringLiteral("/nonexistent/mv4700-no-port");

// The question of a command, as the core asks it.
struct Question {
  Dialogs::Icon icon = Dialogs::Icon::Question;
  QString title;
  QString text;
};

// Checks the input without asking: notices go to the front end's dialogs,
// the question is kept to be asked once for every reader.
class CheckOnlyDialogs final : public Dialogs {
 public:
  explicit CheckOnlyDialogs(Dialogs& notices) : notices_(notices) {}
  Answer show(Icon icon, Buttons buttons, const QString& title, const QString& text) override {
    if (buttons == Buttons::Ok) return notices_.show(icon, buttons, title, text);
    asked = Question{icon, title, text};
    return Answer::Ok;
  }
  std::optional<Question> asked;

 private:
  Dialogs& notices_;
};

// The input is read and checked once, before any reader is searched or
// awaited: bad input ends at once with nothing sent. `question` gets the
// question the command would ask each reader.
std::optional<int> checkInput(RunContext& run, std::optional<Question>& question) {
  const Invocation& inv = run.invocation;
  if (inv.command == u"flash") {
    const auto image = std::make_unique<FirmwareImage>();
    CheckOnlyDialogs check(run.dialogs);
    QString linkState;
    const Outcome checked = confirmFirmwareFile(*image, check, linkState, inv.file);
    if (checked != Outcome::Done) return run.exitStatus(checked);
    question = check.asked;
  } else if (inv.command == u"reset") {
    question = Question{Dialogs::Icon::Exclamation, QStringLiteral("Reset 4700B"),
                        QStringLiteral("Confirm ? ")};
  } else if (inv.command == u"read" && !inv.file.isEmpty()) {
    const QString first = numberedPath(inv.file, highestNumberedFile(inv.file) + 1);
    if (const Outcome writable = checkSaveTarget(first, run.dialogs); writable != Outcome::Done)
      return run.exitStatus(writable);
  } else if (inv.command == u"write") {
    PlainFields fields;
    const Outcome loaded = Loadsettings(inv.file, fields, run.status, run.dialogs);
    run.status.refresh();
    if (loaded != Outcome::Done) return run.exitStatus(loaded);
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> checkInputOnce(RunContext& run) {
  std::optional<Question> question;
  if (const std::optional<int> bad = checkInput(run, question)) return bad;
  if (!question) return std::nullopt;
  if (run.dialogs.show(question->icon, Dialogs::Buttons::OkCancel, question->title,
                       question->text) != Dialogs::Answer::Ok)
    return run.exitStatus(Outcome::Declined);
  run.dialogs.answeredForAll();
  return std::nullopt;
}

int runAll(RunContext& run) {
  const Invocation& inv = run.invocation;
  Devices& devices = run.devices;
  if (!devices.serialPortAt || !devices.makeClock) {
    run.status.note(QStringLiteral("mv4700: --all is not available here."));
    return exit_status::kUsage;
  }

  std::optional<Question> question;
  if (const std::optional<int> bad = checkInput(run, question)) return *bad;
  // Asked once, listing the readers: Ctrl+C or "no" here sends nothing.
  const auto ask = [&](const QString& readers) {
    if (!question) return true;
    return run.dialogs.show(question->icon, Dialogs::Buttons::OkCancel, question->title,
                            question->text + QStringLiteral("\n") + readers) ==
           Dialogs::Answer::Ok;
  };

  BenchLines lines(run.io, run.output, inv.command);
  BenchSearch search;
  if (inv.baud) search.onlyBaudCode = entryCode(baudTable(), QString::number(*inv.baud));
  QSet<QString> hinted;
  bool usbLeftOut = false;
  const auto find = [&](const BenchBusy* busy) {
    BenchSearch s = search;
    if (busy) {
      s.usb = !busy->usb;
      s.skipSlot = [busySlots = busy->serialSlots](int slot) { return busySlots.count(slot) > 0; };
    }
    QStringList hints;
    std::vector<BenchReader> readers = findBenchReaders(
        devices.hid, [&] { return devices.serialPortAt({}, 0); }, devices.makeClock, s, &hints);
    for (const QString& hint : hints) {
      if (hinted.contains(hint)) continue;
      hinted.insert(hint);
      lines.note(hint);
    }
    if (inv.command == u"test") {
      // A USB reader types as a keyboard: whose ID it typed cannot be told.
      std::erase_if(readers, [&](const BenchReader& r) {
        if (r.where.usb && !usbLeftOut) {
          usbLeftOut = true;
          lines.note(QStringLiteral("mv4700: USB readers are left out of test --all (they type "
                                    "as keyboards); test one with --usb."));
        }
        return r.where.usb;
      });
    }
    return readers;
  };

  std::mutex hidCalls;
  std::mutex usbTurn;
  const int firstNumber =
      inv.command == u"read" && !inv.file.isEmpty() ? highestNumberedFile(inv.file) + 1 : 1;
  const BackendsFor backends = [&](const ListedReader& r) {
    ReaderBackends b;
    b.clock = devices.makeClock();
    if (r.usb) {
      b.hid = std::make_unique<SharedHid>(devices.hid, hidCalls);
      b.serial = devices.serialPortAt(kNoPort, 1);
    } else {
      b.hid = std::make_unique<NoHid>();
      b.serial = devices.serialPortAt(r.path, r.comPort);
    }
    threadReader = ThreadReader{b.hid.get(), b.serial.get(), b.clock.get(), r};
    lines.name(BenchLines::current(), benchReaderName(r), readerJson(r));
    return b;
  };
  const ReaderJob job = [&](DeviceSession& session, TransferWatch&) -> ReaderJobResult {
    const int index = BenchLines::current();
    const ThreadReader& reader = threadReader;
    std::unique_lock<std::mutex> turn(usbTurn, std::defer_lock);
    if (reader.where.usb) {
      if (!turn.try_lock()) {
        lines.statusLine(index, QStringLiteral("waiting: USB readers are served one at a time"));
        turn.lock();
      }
      devices.useOnlyUsbPath(reader.where.path);
    }
    Io io = run.io;
    io.errIsTerminal = lines.bars();  // the bar goes to the reader's own row
    Devices own{*reader.hid, *reader.serial, *reader.clock};
    StreamStatusBox status([&](const QString& line) { lines.statusLine(index, line); },
                           [&](std::int64_t done, std::int64_t total) {
                             lines.progress(index, done, total);
                           });
    TerminalDialogs dialogs(io, true, status);
    dialogs.answeredForAll();
    Output output([&](const QString& line) { lines.result(index, line); }, run.output.json());
    RunContext context{inv, own, io, session, status, dialogs, output};
    context.readerNumber = firstNumber + index;
    const int exitStatus = inv.runner(context);
    status.finish();
    if (reader.where.usb) devices.useOnlyUsbPath({});
    lines.fields(index, output.takeFields());
    return {exitStatus == exit_status::kDone ? Outcome::Done : Outcome::Failed, exitStatus};
  };

  BenchEngine engine(backends, lines);
  std::vector<BenchEnd> ends;
  if (!inv.watch) {
    const std::vector<BenchReader> readers = find(nullptr);
    if (readers.empty()) {
      lines.note(QStringLiteral("mv4700: no reader answered."));
      return exit_status::kNoReader;
    }
    QStringList names;
    for (std::size_t k = 0; k < readers.size(); ++k) {
      lines.name(static_cast<int>(k), readers[k].name, readerJson(readers[k].where));
      names << readers[k].name;
    }
    if (!ask(QStringLiteral("On %1 readers: %2.").arg(readers.size()).arg(names.join(u", "))))
      return run.exitStatus(Outcome::Declined);
    ends = engine.run(readers, job);
  } else {
    if (!ask(QStringLiteral("On every reader that answers, until Ctrl+C.")))
      return run.exitStatus(Outcome::Declined);
    const InterruptCatcher catcher;
    lines.note(QStringLiteral("mv4700: waiting for readers (Ctrl+C ends)..."));
    BenchWatch watch(
        engine, [&](const BenchBusy& busy) { return find(&busy); }, devices.clock);
    ends = watch.watch(job, [&] { return InterruptCatcher::count() > 0 || run.output.failed(); });
  }
  return lines.tally(ends);
}

}  // namespace mv4700::cli
