#include "fileaction/settings_file_actions.h"

#include "settings/settings_file.h"

namespace mv4700 {

FileActionHandlers settingsFileHandlers(SettingsFields& fields, StatusBox& status, Dialogs& dialogs,
                                        std::function<void(const QString&)> firmware) {
  return {
      [&fields, &status, &dialogs](const QString& path) {
        Loadsettings(path, fields, status, dialogs);
      },
      [&fields, &status, &dialogs](const QString& path) {
        Savesettings(path, fields, status, dialogs);
      },
      std::move(firmware),
  };
}

}  // namespace mv4700
