#pragma once

#include <QByteArray>
#include <QString>

namespace mv4700::bench {

// The same loader exchange as the tool's RS232 transfer, written as a minimal
// raw-termios loop: a reference for what the line itself costs. Returns the
// seconds from the first byte frame to the end frame's answer, or a negative
// number when the loader did not answer FA. `extraSecondsAFrame` is spent
// busy before each frame: a control whose known cost the figures must show.
double rawFlashSeconds(const QString& device, int readerBaud, const QByteArray& image,
                       double extraSecondsAFrame = 0);

}  // namespace mv4700::bench
