#include "sim/line_faults.h"

#include <QStringList>
#include <optional>

namespace mv4700 {

namespace {

QString bad(const QString& name, const QString& value) {
  return QStringLiteral("bad value for %1: \"%2\"").arg(name, value);
}

// "RATE[:SEED]": a share from 0 to 1 and an optional seed for the errors.
std::optional<std::pair<double, std::optional<std::uint32_t>>> rateOf(const QString& text) {
  const QStringList parts = text.split(u':');
  bool ok = false;
  const double rate = parts[0].toDouble(&ok);
  if (!ok || rate < 0 || rate > 1 || parts.size() > 2) return std::nullopt;
  if (parts.size() == 1) return std::pair{rate, std::optional<std::uint32_t>()};
  const uint seed = parts[1].toUInt(&ok);
  if (!ok) return std::nullopt;
  return std::pair{rate, std::optional<std::uint32_t>(seed)};
}

}  // namespace

const QList<FaultSwitch>& lineFaultSwitches() {
  static const QList<FaultSwitch> switches{
      {"wrong-speed-garbage",
       {},
       "a byte at another speed than its receiver's arrives as what that UART makes of it (a "
       "missing stop bit reads as 00 at the tool), not as nothing; needs --wire-time"},
      {"bit-errors", "RATE[:SEED]", "flips one bit in this share of the bytes (0 to 1), both ways"},
      {"drop", "RATE[:SEED]", "loses this share of the bytes (0 to 1), both ways"},
      {"adapter-latency", "MS",
       "hands bytes to the tool in packets, as a USB-serial adapter with this latency timer"},
  };
  return switches;
}

QString switchLineFault(WireModel& line, const QString& name, const QString& value) {
  LineFaults& f = line.faults();
  const bool off = value == u"off";
  if (name == u"wrong-speed-garbage") {
    if (!value.isEmpty() && value != u"on" && !off) return bad(name, value);
    f.wrongSpeedGarbage = !off;
    return {};
  }
  if (name == u"bit-errors" || name == u"drop") {
    const auto rate =
        off ? std::optional(std::pair{0.0, std::optional<std::uint32_t>()}) : rateOf(value);
    if (!rate) return bad(name, value);
    (name == u"drop" ? f.dropRate : f.bitErrorRate) = rate->first;
    if (rate->second) f.seed = *rate->second;
    line.reseed();
    return {};
  }
  if (name == u"adapter-latency") {
    bool ok = false;
    const double ms = off ? 0 : value.toDouble(&ok);
    if (!off && (!ok || ms < 0 || ms > 1000)) return bad(name, value);
    line.setAdapterLatency(ms / 1000);
    return {};
  }
  return QStringLiteral("unknown fault \"%1\"").arg(name);
}

}  // namespace mv4700
