#include "sim/command_framer.h"

namespace mv4700 {

namespace {
constexpr char kEsc = 0x1B;
}

const CommandFramer::Shape* CommandFramer::fitting() const {
  for (const Shape& shape : shapes_) {
    const qsizetype n = std::min(partial_.size(), shape.fixed.size());
    if (partial_.size() <= shape.length && partial_.first(n) == shape.fixed.first(n)) return &shape;
  }
  return nullptr;
}

bool CommandFramer::push(char byte) {
  partial_.append(byte);
  const Shape* shape = fitting();
  if (!shape) {
    partial_.clear();
    if (byte != kEsc) return false;
    partial_.append(byte);
    shape = fitting();
    if (!shape) {
      partial_.clear();
      return false;
    }
  }
  if (partial_.size() < shape->length) return false;
  command_ = partial_;
  partial_.clear();
  return true;
}

}  // namespace mv4700
