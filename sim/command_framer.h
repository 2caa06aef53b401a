#pragma once

#include <QByteArray>
#include <vector>

namespace mv4700 {

// Collects the bytes of one command from a byte stream that may arrive split
// or joined. A command starts with ESC, its fixed leading bytes pick its shape,
// and the shape gives its length. A byte that fits no shape drops the partial
// command, so the stream resynchronises on the next ESC.
class CommandFramer {
 public:
  struct Shape {
    QByteArray fixed;  // leading bytes that must match, ESC first
    int length;        // total command length
  };

  explicit CommandFramer(std::vector<Shape> shapes) : shapes_(std::move(shapes)) {}

  // Takes one byte; true when a whole command now sits in command().
  bool push(char byte);
  const QByteArray& command() const { return command_; }
  void reset() { partial_.clear(); }

 private:
  const Shape* fitting() const;

  std::vector<Shape> shapes_;
  QByteArray partial_;
  QByteArray command_;
};

}  // namespace mv4700
