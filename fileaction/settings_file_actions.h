#pragma once

#include "fileaction/file_actions.h"
#include "seams/dialogs.h"
#include "seams/status_box.h"
#include "settings/settings_fields.h"

namespace mv4700 {

// The file actions with load and save on the settings file of `fields`, and
// `firmware` for a confirmed firmware image. The references must outlive the
// handlers.
FileActionHandlers settingsFileHandlers(SettingsFields& fields, StatusBox& status, Dialogs& dialogs,
                                        std::function<void(const QString&)> firmware);

}  // namespace mv4700
