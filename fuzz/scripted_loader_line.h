#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>

#include "tests/support/forwarding_links.h"

namespace mv4700::fuzzing {

// A serial line whose replies come from a script once it is armed; until then
// the emulated reader behind it answers (the search's identify). Each time the
// tool sends, and each time it opens the port, the script's next reply comes
// in, a number of polls later. Script: one header byte per reply, bits 0-3 its
// length, bits 4-6 its delay in units of 4 polls, bit 7 "the next reply comes
// at the same step"; then its bytes. What the reader sends while armed is dropped.
class ScriptedLoaderLine final : public testing::ForwardingSerial {
 public:
  ScriptedLoaderLine(SerialService& inner, std::span<const std::uint8_t> script)
      : ForwardingSerial(inner), script_(script) {}

  // Arms the line now, or (non-empty) when the tool sends exactly these bytes.
  void arm(const QByteArray& onOutput = {}) {
    if (onOutput.isEmpty()) armed_ = true;
    armingOutput_ = onOutput;
  }

  // Everything the tool sent since the line was armed.
  QByteArray sentWhileArmed;
  // The reads that took exactly one acknowledge byte.
  int acknowledgesTaken = 0;

  void output(const QByteArray& bytes) override {
    ForwardingSerial::output(bytes);
    if (!armed_ && !armingOutput_.isEmpty() && bytes == armingOutput_) armed_ = true;
    if (!armed_) return;
    sentWhileArmed += bytes;
    scheduleNextStep();
  }
  void setPortOpen(bool open) override {
    ForwardingSerial::setPortOpen(open);
    if (open && armed_ && portOpen()) scheduleNextStep();
  }
  int inBufferCount() override {
    if (!armed_) return ForwardingSerial::inBufferCount();
    poll();
    return static_cast<int>(arrived_.size());
  }
  QByteArray input() override {
    if (!armed_) return ForwardingSerial::input();
    poll();
    QByteArray taken;
    taken.swap(arrived_);
    if (taken == QByteArray(1, static_cast<char>(kAcknowledge))) ++acknowledgesTaken;
    return taken;
  }
  void clearInBuffer() override {
    ForwardingSerial::clearInBuffer();
    arrived_.clear();
  }

  static constexpr std::uint8_t kAcknowledge = 0xFA;

 private:
  struct Reply {
    QByteArray bytes;
    long due;  // the poll it comes in at
  };

  // Takes the script's replies for one step of the tool.
  void scheduleNextStep() {
    bool sameStep = true;
    while (sameStep && next_ < script_.size()) {
      const std::uint8_t header = script_[next_++];
      const std::size_t length = std::min<std::size_t>(header & 0x0F, script_.size() - next_);
      const auto* bytes = reinterpret_cast<const char*>(script_.data() + next_);
      next_ += length;
      pending_.push_back({QByteArray(bytes, static_cast<qsizetype>(length)),
                          polls_ + 4L * ((header >> 4) & 0x07)});
      sameStep = (header & 0x80) != 0;
    }
  }

  // One look at the line: the reader's own bytes are dropped, due replies come
  // in, in the order they were sent.
  void poll() {
    if (ForwardingSerial::inBufferCount() > 0) ForwardingSerial::input();
    ++polls_;
    while (!pending_.empty() && pending_.front().due <= polls_) {
      arrived_ += pending_.front().bytes;
      pending_.pop_front();
    }
  }

  std::span<const std::uint8_t> script_;
  std::size_t next_ = 0;
  bool armed_ = false;
  QByteArray armingOutput_;
  long polls_ = 0;
  std::deque<Reply> pending_;
  QByteArray arrived_;
};

}  // namespace mv4700::fuzzing
