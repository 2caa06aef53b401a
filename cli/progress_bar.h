#pragma once

#include <QString>
#include <cstdint>

namespace mv4700::cli {

// "[#########-----------]  45%  1234/2742 bytes  1.9 kB/s  0:01 left", at
// most `columns` wide: the bar narrows first, then the rate and the bytes are
// left out.
QString progressBarText(std::int64_t sent, std::int64_t total, double elapsedSeconds,
                        int columns = 80);

}  // namespace mv4700::cli
