#pragma once

#include <QString>
#include <QStringList>

namespace mv4700 {

// The pseudo-terminals open in `folder` (the system's /dev/pts) that no COM
// slot reaches and that are none of `own` (the caller's own terminals), in
// number order. The system's port list leaves pseudo-terminals out, so a
// reader on one (an emulated reader) is found only when it is named.
QStringList unsearchedPseudoTerminals(const QStringList& own,
                                      const QString& folder = QStringLiteral("/dev/pts"));

// The terminals on standard input, output and error, as device paths.
QStringList ownTerminals();

}  // namespace mv4700
