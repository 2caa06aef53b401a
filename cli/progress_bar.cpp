#include "cli/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace mv4700::cli {

namespace {

constexpr int kBarWidth = 24;

QString minutesAndSeconds(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(std::max(0.0, seconds)));
  return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString progressBarText(std::int64_t sent, std::int64_t total, double elapsedSeconds) {
  sent = std::clamp<std::int64_t>(sent, 0, std::max<std::int64_t>(total, 0));
  const double part = total > 0 ? static_cast<double>(sent) / static_cast<double>(total) : 1.0;
  const int filled = static_cast<int>(part * kBarWidth);
  const QString bar = QString(filled, u'#') + QString(kBarWidth - filled, u'-');
  QString text = QStringLiteral("[%1] %2%  %3/%4 bytes")
                     .arg(bar)
                     .arg(static_cast<int>(part * 100), 3)
                     .arg(sent)
                     .arg(total);
  if (elapsedSeconds > 0 && sent > 0) {
    const double rate = static_cast<double>(sent) / elapsedSeconds;
    text += QStringLiteral("  %1 kB/s  %2 left")
                .arg(rate / 1000.0, 0, 'f', 1)
                .arg(minutesAndSeconds(static_cast<double>(total - sent) / rate));
  }
  return text;
}

}  // namespace mv4700::cli
