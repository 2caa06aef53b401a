#include "cli/progress_bar.h"

#include <algorithm>
#include <cmath>

namespace mv4700::cli {

namespace {

constexpr int kBarWidth = 24;
constexpr int kNarrowestBar = 10;

QString minutesAndSeconds(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(std::max(0.0, seconds)));
  return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString bar(double part, int width) {
  const int filled = static_cast<int>(part * width);
  return u'[' + QString(filled, u'#') + QString(width - filled, u'-') + u']';
}

}  // namespace

QString progressBarText(std::int64_t sent, std::int64_t total, double elapsedSeconds, int columns) {
  sent = std::clamp<std::int64_t>(sent, 0, std::max<std::int64_t>(total, 0));
  const double part = total > 0 ? static_cast<double>(sent) / static_cast<double>(total) : 1.0;
  const QString share = QStringLiteral(" %1%").arg(static_cast<int>(part * 100), 3);
  const QString bytes = QStringLiteral("  %1/%2 bytes").arg(sent).arg(total);
  QString rate;
  if (elapsedSeconds > 0 && sent > 0) {
    const double perSecond = static_cast<double>(sent) / elapsedSeconds;
    rate = QStringLiteral("  %1 kB/s  %2 left")
               .arg(perSecond / 1000.0, 0, 'f', 1)
               .arg(minutesAndSeconds(static_cast<double>(total - sent) / perSecond));
  }
  // The widest tail that still leaves room for a readable bar.
  for (const QString& tail : {share + bytes + rate, share + bytes, share}) {
    const int room = columns - 2 - static_cast<int>(tail.size());
    if (room >= kNarrowestBar || tail == share)
      return bar(part, std::clamp(room, 0, kBarWidth)) + tail;
  }
  return {};
}

}  // namespace mv4700::cli
