#pragma once

#include <QString>
#include <QStringList>

#include "seams/status_box.h"

namespace mv4700::testing {

// Records what the core prints. Completed lines go to `lines`; the line still
// open is `openLine`. The print position advances by a fixed cell per character.
class RecordingStatusBox final : public StatusBox {
 public:
  static constexpr int kCharWidthTwips = 120;
  static constexpr int kLineHeightTwips = 240;

  void clear() override;
  void printLine(const QString& text = {}) override;
  void printOpen(const QString& text) override;
  void refresh() override { ++refreshes; }
  void refreshAll() override { ++refreshAlls; }
  int printX() const override { return x_; }
  int printY() const override { return y_; }
  void setTextColor(Rgb color) override;

  // Everything since the last clear, completed lines then the open piece if any.
  QStringList shown() const;
  // Every line printed since construction, across clears, with "<clear>" marks.
  QStringList transcript;

  QStringList lines;
  QString openLine;
  int clears = 0;
  int refreshes = 0;
  int refreshAlls = 0;
  Rgb color = kStatusTextColor;
  QList<QPair<QString, Rgb>> coloredLines;  // each completed line with its colour

 private:
  int x_ = 0;
  int y_ = 0;
};

}  // namespace mv4700::testing
