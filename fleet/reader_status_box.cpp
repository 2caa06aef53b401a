#include "fleet/reader_status_box.h"

namespace mv4700 {

ReaderStatusBox::~ReaderStatusBox() {
  // A piece left open ends with the reader's command.
  if (!open_.isEmpty()) report_.statusLine(reader_, open_);
}

void ReaderStatusBox::clear() {
  if (!open_.isEmpty()) report_.statusLine(reader_, open_);
  open_.clear();
}

void ReaderStatusBox::printLine(const QString& text) {
  const QString line = open_ + text;
  open_.clear();
  if (!line.isEmpty()) report_.statusLine(reader_, line);
}

}  // namespace mv4700
