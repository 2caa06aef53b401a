#pragma once

#include "fleet/bench_report.h"
#include "seams/status_box.h"

namespace mv4700 {

// One reader's status box on the bench: each line goes to the report whole,
// once it is complete, so lines of two readers never mix.
class ReaderStatusBox final : public StatusBox {
 public:
  ReaderStatusBox(BenchReport& report, int reader) : report_(report), reader_(reader) {}
  ~ReaderStatusBox() override;

  void clear() override;
  void printLine(const QString& text = {}) override;
  void printOpen(const QString& text) override { open_ += text; }
  void refresh() override {}
  void refreshAll() override {}
  int printX() const override { return 0; }
  int printY() const override { return 0; }
  void setTextColor(Rgb) override {}

 private:
  BenchReport& report_;
  int reader_;
  QString open_;
};

}  // namespace mv4700
