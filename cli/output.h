#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <functional>

namespace mv4700::cli {

// Results on standard output: plain lines, or with --json the fields of one
// JSON object, printed at the end. Every object is one line.
class Output {
 public:
  Output(std::FILE* stream, bool json) : stream_(stream), json_(json) {}
  // One reader's results under --all: each result line goes to `lines`.
  Output(std::function<void(const QString&)> lines, bool json)
      : stream_(nullptr), json_(json), lines_(std::move(lines)) {}

  bool json() const { return json_; }
  // A result line; left out with --json, where the same result is a field.
  void line(const QString& text);
  // Text as it is, with --json too (the help, the versions).
  void text(const QString& text) { write(text.toLocal8Bit()); }
  QJsonObject& fields() { return fields_; }
  // The fields gathered so far, cleared: one reader's result under --watch.
  QJsonObject takeFields();
  // One object as a compact line (also the --watch and --all lines).
  void objectLine(const QJsonObject& object);
  // With --json, the gathered fields as one object line.
  void finish();
  // Whether any object went out: a --watch or --all run that ended before
  // its first line still owes one.
  bool wroteObject() const { return wroteObject_; }
  // The errno of the first write to the stream that failed; 0 while none has.
  int failed() const { return failure_; }

 private:
  void write(const QByteArray& bytes);

  std::FILE* stream_;
  bool json_;
  QJsonObject fields_;
  int failure_ = 0;
  bool wroteObject_ = false;
  std::function<void(const QString&)> lines_;
};

}  // namespace mv4700::cli
