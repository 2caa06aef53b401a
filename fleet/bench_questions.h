#pragma once

#include <QString>
#include <vector>

#include "fleet/bench_reader.h"
#include "seams/outcome.h"

namespace mv4700 {

class Dialogs;
struct FirmwareImage;

// The questions a bench command asks once for all its readers, each naming
// them, one to a line.

// The reset's question; Done on OK, else Declined.
Outcome confirmBenchReset(Dialogs& dialogs, const std::vector<BenchReader>& readers);

// Loads and checks the image at `filePath` (a bad one gets the firmware
// update's error box), then asks once, naming the readers and the image's
// version text. Done when the operator confirmed; nothing was sent otherwise.
Outcome confirmBenchImage(FirmwareImage& image, Dialogs& dialogs,
                          const std::vector<BenchReader>& readers, const QString& filePath);

// Asked before the running firmware transfers are stopped; true on OK.
bool confirmStopTransfers(Dialogs& dialogs);

}  // namespace mv4700
