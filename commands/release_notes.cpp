#include "commands/release_notes.h"

#include "seams/dialogs.h"
#include "seams/status_box.h"

namespace mv4700 {

void showReleaseNotes(StatusBox& status, Dialogs& dialogs) {
  status.clear();
  dialogs.show(Dialogs::Icon::Information, Dialogs::Buttons::Ok,
               QStringLiteral("4700B Release Notes"),
               QStringLiteral("1. Compatilbe to Mirevantis 4700 rev.A (RS232)\r\n"
                              "2. New function for Mirevantis 4700 rev.B\r\n"
                              "3. Support USB-KB,RS232(USB-RS232) programming\r\n"
                              "4. Support 32/64bits WinXP/7/8\r\n"));
}

}  // namespace mv4700
