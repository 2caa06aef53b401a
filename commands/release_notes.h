#pragma once

namespace mv4700 {

class Dialogs;
class StatusBox;

// The "v2.0" item of "Release notes": an empty status box and the notes of
// this version in an information box.
void showReleaseNotes(StatusBox& status, Dialogs& dialogs);

}  // namespace mv4700
