#include "sim/reader_faults.h"

#include <QByteArray>
#include <optional>

namespace mv4700 {

namespace {

using Step = ReaderModel::LoaderStep;

std::optional<int> count(const QString& text) {
  bool ok = false;
  const int n = text.toInt(&ok);
  return ok && n >= 0 ? std::optional<int>(n) : std::nullopt;
}

std::optional<std::uint8_t> byteOf(const QString& text) {
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  return ok && value <= 0xFF ? std::optional<std::uint8_t>(value) : std::nullopt;
}

std::optional<Step> stepOf(const QString& name) {
  if (name == u"ready") return Step::Ready;
  if (name == u"update") return Step::Update;
  if (name == u"length") return Step::Length;
  if (name == u"speed") return Step::SpeedChange;
  if (name == u"end") return Step::End;
  return std::nullopt;
}

QString bad(const QString& name, const QString& value) {
  return QStringLiteral("bad value for %1: \"%2\"").arg(name, value);
}

}  // namespace

const QList<FaultSwitch>& readerFaultSwitches() {
  static const QList<FaultSwitch> switches{
      {"silent", {}, "hears everything, answers nothing"},
      {"noisy", {}, "answers garbage (every answer byte inverted)"},
      {"wrong-identify", {}, "identifies as a \"4800\""},
      {"extra", "HEX", "sends these bytes after every answer"},
      {"leading", "HEX", "sends these bytes before every answer"},
      {"power-glitch", {}, "a stray 00 byte on the line each time the power comes back"},
      {"loader-greeting", "repeat|once",
       "the loader sends its ready byte every 100 ms until it hears the host, or once (default)"},
      {"start-in-loader", {}, "the program is gone: the reader restarts in its loader"},
      {"loader-forget",
       {},
       "the loader acknowledges every step as a sound one would, and stores nothing"},
      {"loader-stall", "N", "the loader hangs (hears, never answers) after N image frames"},
      {"loader-refuse", "N[:HEX]",
       "the loader refuses image frame N (from 0) with HEX (default 15) and gives up"},
      {"loader-answer", "STEP:HEX",
       "the loader answers HEX at STEP: ready, update, length, speed or end"},
      {"loader-unplug", "N", "the reader loses power after N image frames"},
      {"boot-seconds", "S", "seconds from the erase command until the loader is up (default 2)"},
  };
  return switches;
}

QString switchReaderFault(ReaderModel& reader, const QString& name, const QString& value) {
  ReaderModel::Faults& f = reader.faults();
  const bool off = value == u"off";
  const bool plainValue = value.isEmpty() || value == u"on" || off;
  using Flag = bool ReaderModel::Faults::*;
  static const QList<QPair<QString, Flag>> flags{
      {"silent", &ReaderModel::Faults::silent},
      {"noisy", &ReaderModel::Faults::garble},
      {"wrong-identify", &ReaderModel::Faults::wrongIdentify},
      {"power-glitch", &ReaderModel::Faults::powerGlitch},
      {"loader-forget", &ReaderModel::Faults::forgetImage}};
  for (const auto& [flagName, flag] : flags) {
    if (name != flagName) continue;
    if (!plainValue) return bad(name, value);
    f.*flag = !off;
    return {};
  }
  if (name == u"start-in-loader") {
    if (!plainValue || off) return bad(name, value);
    reader.startInLoader();
    return {};
  }
  if (name == u"loader-greeting") {
    if (value != u"repeat" && value != u"once") return bad(name, value);
    f.repeatGreeting = value == u"repeat";
    return {};
  }
  if (name == u"extra" || name == u"leading") {
    const QByteArray bytes = QByteArray::fromHex(value.toLatin1());
    if (!off && (bytes.isEmpty() || bytes.toHex().compare(value.toLatin1(), Qt::CaseInsensitive)))
      return bad(name, value);
    (name == u"extra" ? f.extraBytes : f.leadingBytes) = off ? QByteArray() : bytes;
    return {};
  }
  if (name == u"loader-stall" || name == u"loader-unplug") {
    const std::optional<int> n = off ? std::optional<int>(-1) : count(value);
    if (!n) return bad(name, value);
    (name == u"loader-stall" ? f.silentAfterLoaderFrames : f.unplugAfterLoaderFrames) = *n;
    return {};
  }
  if (name == u"loader-refuse" || name == u"loader-answer") {
    if (off) {
      f.loaderAnswer.reset();
      return {};
    }
    const QStringList parts = value.split(u':');
    if (parts.size() > 2) return bad(name, value);
    const std::optional<std::uint8_t> byte = parts.size() == 2 ? byteOf(parts[1])
                                             : name == u"loader-refuse"
                                                 ? std::optional(ReaderModel::kRefused)
                                                 : std::nullopt;
    if (!byte) return bad(name, value);
    if (name == u"loader-refuse") {
      const std::optional<int> frame = count(parts[0]);
      if (!frame) return bad(name, value);
      f.loaderAnswer = ReaderModel::LoaderAnswer{Step::Frame, *byte, *frame};
    } else {
      const std::optional<Step> step = stepOf(parts[0]);
      if (!step) return bad(name, value);
      f.loaderAnswer = ReaderModel::LoaderAnswer{*step, *byte};
    }
    return {};
  }
  if (name == u"boot-seconds") {
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok || seconds < 0) return bad(name, value);
    reader.setRebootSeconds(seconds);
    return {};
  }
  return QStringLiteral("unknown fault \"%1\"").arg(name);
}

}  // namespace mv4700
