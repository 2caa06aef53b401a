#include "sim/serial_wire.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace mv4700 {

namespace {

// Bit k of a frame: the start bit is low, then the data bits (least
// significant first), then the high stop bit. A frame the sender could not
// form (a port not set to 8 data bits without parity) is low throughout.
int frameBit(const WireByte& b, int k) {
  if (b.baud <= 0 || k == 0) return 0;
  if (k >= 9) return 1;
  return (static_cast<std::uint8_t>(b.byte) >> (k - 1)) & 1;
}

double unitRandom(std::mt19937& random) {
  return random() / 4294967296.0;
}

// The line's own errors on what a receiver heard.
std::vector<HeardByte> withLineErrors(std::vector<HeardByte> heard, const LineFaults& faults,
                                      std::mt19937& random) {
  if (faults.dropRate <= 0 && faults.bitErrorRate <= 0) return heard;
  std::vector<HeardByte> kept;
  for (HeardByte h : heard) {
    if (faults.dropRate > 0 && unitRandom(random) < faults.dropRate) continue;
    if (faults.bitErrorRate > 0 && unitRandom(random) < faults.bitErrorRate)
      h.byte = static_cast<char>(h.byte ^ (1 << (random() % 8)));
    kept.push_back(h);
  }
  return kept;
}

}  // namespace

void WireLane::send(const QByteArray& bytes, int baud, double from) {
  // A frame the port could not form still takes the line's time.
  const double step = paced_ ? byteSeconds(baud > 0 ? baud : 9600) : 0;
  double at = std::max({from, freeAt_, decided_});
  for (char byte : bytes) {
    bytes_.push_back({from, at, at + step, baud, byte});
    at += step;
  }
  freeAt_ = at;
}

void WireLane::changeSpeedFrom(double at, int baud) {
  double lineFreeAt = 0;
  bool retimed = false;
  for (WireByte& b : bytes_) {
    if (b.sentAt < at) {
      lineFreeAt = b.arrivesAt;
      continue;
    }
    const double step = paced_ ? byteSeconds(baud > 0 ? baud : 9600) : 0;
    b.sentAt = std::max({b.readyAt, lineFreeAt, at});
    b.arrivesAt = b.sentAt + step;
    b.baud = baud;
    lineFreeAt = b.arrivesAt;
    retimed = true;
  }
  if (retimed) freeAt_ = lineFreeAt;
}

int WireLane::levelAt(double t) const {
  for (const WireByte& b : bytes_) {
    if (t < b.sentAt) break;
    if (t >= b.arrivesAt) continue;
    // A sample that falls on an edge (the same moment in floating point up
    // to rounding) reads the bit after it, so a line gives the same bytes
    // on every machine.
    const double bits = (t - b.sentAt) / (b.arrivesAt - b.sentAt) * 10;
    const int k = static_cast<int>(std::floor(bits + 1e-6));
    return frameBit(b, std::clamp(k, 0, 9));
  }
  return 1;
}

std::optional<double> WireLane::nextLow(double from) const {
  for (const WireByte& b : bytes_) {
    if (b.arrivesAt <= from) continue;
    const double bit = (b.arrivesAt - b.sentAt) / 10;
    for (int k = 0; k < 10; ++k) {
      const double start = b.sentAt + k * bit;
      if (start + bit > from && frameBit(b, k) == 0) return std::max(from, start);
    }
  }
  return std::nullopt;
}

std::vector<HeardByte> WireLane::take(double now, const SpeedAt& speedAt, const LineFaults& faults,
                                      std::mt19937& random) {
  const bool resample = paced_ && faults.wrongSpeedGarbage;
  return withLineErrors(resample ? takeResampled(now, speedAt) : takeWhole(now, speedAt), faults,
                        random);
}

std::vector<HeardByte> WireLane::takeWhole(double now, const SpeedAt& speedAt) {
  std::vector<HeardByte> heard;
  while (!bytes_.empty() && bytes_.front().arrivesAt <= now) {
    const WireByte b = bytes_.front();
    bytes_.pop_front();
    // The receiver must run at the byte's speed from its start to its end;
    // otherwise it sees only a broken frame.
    const bool clean = b.baud > 0 && speedAt(b.sentAt) == b.baud && speedAt(b.arrivesAt) == b.baud;
    heard.push_back({clean ? b.byte : '\0', b.arrivesAt, !clean});
  }
  return heard;
}

std::vector<HeardByte> WireLane::takeResampled(double now, const SpeedAt& speedAt) {
  // The receiver waits for the line to go low, takes that as a start bit and
  // samples the middle of each bit at its own speed, whatever the sender's.
  std::vector<HeardByte> heard;
  for (;;) {
    while (!bytes_.empty() && bytes_.front().arrivesAt <= decided_) bytes_.pop_front();
    const std::optional<double> start = nextLow(decided_);
    if (!start) {
      // Only idle line is left of what came in.
      while (!bytes_.empty() && bytes_.front().arrivesAt <= now) {
        decided_ = std::max(decided_, bytes_.front().arrivesAt);
        bytes_.pop_front();
      }
      return heard;
    }
    const int baud = speedAt(*start);
    if (baud <= 0) {
      // A receiver not set to 8 data bits without parity hears noise.
      const auto b = std::find_if(bytes_.begin(), bytes_.end(),
                                  [&](const WireByte& w) { return w.arrivesAt > *start; });
      if (b->arrivesAt > now) return heard;
      heard.push_back({'\0', b->arrivesAt, true});
      decided_ = b->arrivesAt;
      continue;
    }
    const double bit = 1.0 / baud;
    const double in = *start + 10 * bit;
    if (in > now) return heard;
    std::uint8_t value = 0;
    for (int k = 1; k <= 8; ++k)
      value |= static_cast<std::uint8_t>(levelAt(*start + (k + 0.5) * bit) << (k - 1));
    const bool framingError = levelAt(*start + 9.5 * bit) == 0;
    heard.push_back({static_cast<char>(value), in, framingError});
    decided_ = *start + 9.5 * bit;
  }
}

std::optional<double> WireLane::nextDue(int receiverBaud, const LineFaults& faults) const {
  if (bytes_.empty()) return std::nullopt;
  if (!paced_ || !faults.wrongSpeedGarbage) return bytes_.front().arrivesAt;
  const std::optional<double> start = nextLow(decided_);
  if (!start) return std::nullopt;
  if (receiverBaud <= 0) return levelAt(*start) == 0 ? *start + byteSeconds(9600) : *start;
  return *start + byteSeconds(receiverBaud);
}

void WireLane::clear() {
  bytes_.clear();
  freeAt_ = 0;
  decided_ = 0;
}

WireModel::WireModel() : random_(faults_.seed) {}

void WireModel::setPaced(bool paced) {
  toReader_.setPaced(paced);
  toTool_.setPaced(paced);
}

void WireModel::reseed() {
  random_.seed(faults_.seed);
}

void WireModel::toolSpeed(double at, int baud) {
  if (toolSpeeds_.empty()) {
    // The first speed seen is the port's since the line was made.
    toolSpeeds_.emplace_back(-std::numeric_limits<double>::infinity(), baud);
    return;
  }
  if (toolSpeeds_.back().second == baud) return;
  // Changes are kept in the order they were seen.
  at = std::max(at, toolSpeeds_.back().first);
  toolSpeeds_.emplace_back(at, baud);
  toReader_.changeSpeedFrom(at, baud);
}

int WireModel::toolSpeedAt(double at) const {
  int baud = -1;
  for (const auto& [from, speed] : toolSpeeds_) {
    if (from > at) break;
    baud = speed;
  }
  return baud;
}

void WireModel::toolSends(const QByteArray& bytes, double at) {
  toReader_.send(bytes, toolSpeeds_.empty() ? -1 : toolSpeeds_.back().second, at);
}

std::vector<HeardByte> WireModel::readerHears(double now, const std::function<int()>& readerBaud) {
  return toReader_.take(
      now, [&readerBaud](double) { return readerBaud(); }, faults_, random_);
}

void WireModel::readerSends(const QByteArray& bytes, int baud, double at) {
  toTool_.send(bytes, baud, at);
}

QByteArray WireModel::toolHears(double now) {
  QByteArray handed;
  const auto handOver = [&](const QByteArray& bytes, double at) {
    handed += bytes;
    lastInAtTool_ = std::max(lastInAtTool_, at);
  };
  const auto speedAt = [this](double at) { return toolSpeedAt(at); };
  for (const HeardByte& h : toTool_.take(now, speedAt, faults_, random_)) {
    // Without the garbage fault a broken frame is simply not there.
    if (h.framingError && !faults_.wrongSpeedGarbage) continue;
    const char byte = h.framingError ? '\0' : h.byte;
    if (adapterLatency_ <= 0) {
      handOver(QByteArray(1, byte), h.at);
      continue;
    }
    if (!packet_.isEmpty() && h.at > packetDue_) handOver(std::exchange(packet_, {}), packetDue_);
    if (packet_.isEmpty()) packetDue_ = h.at + adapterLatency_;
    packet_ += byte;
  }
  if (!packet_.isEmpty() && packetDue_ <= now) handOver(std::exchange(packet_, {}), packetDue_);
  // Speeds long gone judge nothing that is still on the way.
  while (toolSpeeds_.size() > 1 && toolSpeeds_[1].first < now - 1.0 && toTool_.empty())
    toolSpeeds_.erase(toolSpeeds_.begin());
  return handed;
}

std::optional<double> WireModel::nextDue(int readerBaud) const {
  std::optional<double> next = toReader_.nextDue(readerBaud, faults_);
  const auto sooner = [&next](std::optional<double> at) {
    if (at && (!next || *at < *next)) next = at;
  };
  sooner(toTool_.nextDue(toolSpeeds_.empty() ? -1 : toolSpeeds_.back().second, faults_));
  if (!packet_.isEmpty()) sooner(packetDue_);
  return next;
}

void WireModel::clear() {
  toReader_.clear();
  toTool_.clear();
  toolSpeeds_.clear();
  packet_.clear();
  lastInAtTool_ = 0;
}

}  // namespace mv4700
