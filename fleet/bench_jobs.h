#pragma once

#include <QString>

#include "fleet/bench_engine.h"

namespace mv4700 {

struct FirmwareImage;
class SettingsFields;

// The commands a bench runs, the same for every front end: what each prints
// goes to that reader's status lines. The operator's questions were asked
// once for the whole bench before (see bench_questions.h). The jobs leave
// ReaderJobResult::exitStatus at 0; a front end that tells exit statuses maps
// the outcome.

// Writes `fields` (copied now), reads them back and compares every field; a
// difference is a line each and fails the reader.
ReaderJob writeSettingsJob(const SettingsFields& fields);
ReaderJob readVersionJob();
// The reset, whose question the operator already answered with OK.
ReaderJob resetJob();
// Flashes the checked image (copied now), then waits for the reader's program
// and compares the version text it reports with the image's.
ReaderJob flashJob(const FirmwareImage& image);

// How long a flashed reader has to answer with its version.
inline constexpr double kFlashedVersionSeconds = 20.0;

// "3 readers: 2 done, 1 failed" ("1 reader: ..."), and ", 1 declined" when
// some were.
QString benchSummary(int readers, int done, int failed, int declined = 0);

}  // namespace mv4700
