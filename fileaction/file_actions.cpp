#include "fileaction/file_actions.h"

#include "fileaction/chosen_path.h"

namespace mv4700 {

namespace {
constexpr std::int16_t kOpenWaiting = chooserModeLook(ChooserMode::OpenSettings).waitingCode;
constexpr std::int16_t kSaveWaiting = chooserModeLook(ChooserMode::SaveSettings).waitingCode;
constexpr std::int16_t kFirmwareWaiting = chooserModeLook(ChooserMode::FirmwareUpdate).waitingCode;
}  // namespace

void FileActions::await(ChooserMode mode) {
  fileAction_ = chooserModeLook(mode).waitingCode;
  confirmedNotRun_ = false;
}

bool FileActions::confirm(const QString& directory, const QString& name, Dialogs& dialogs) {
  if (name.isEmpty()) {
    dialogs.show(Dialogs::Icon::None, Dialogs::Buttons::Ok, {},
                 QStringLiteral("Please select a file!"));
    return false;
  }
  filePath_ = joinDirectoryAndName(directory, name);
  if (fileAction_ == kSaveWaiting) filePath_ = withSettingsSuffix(filePath_);
  if (fileAction_ == kOpenWaiting || fileAction_ == kSaveWaiting ||
      fileAction_ == kFirmwareWaiting) {
    ++fileAction_;
    confirmedNotRun_ = true;
  }
  return true;
}

void FileActions::onMainWindowActivated() {
  if (!confirmedNotRun_) return;
  // Used up before the action runs: its own message boxes activate the main
  // window again while it is still running.
  confirmedNotRun_ = false;
  const std::function<void(const QString&)>* action = nullptr;
  switch (fileAction_) {
    case kOpenWaiting + 1:
      action = &handlers_.load;
      break;
    case kSaveWaiting + 1:
      action = &handlers_.save;
      break;
    case kFirmwareWaiting + 1:
      action = &handlers_.firmware;
      break;
    default:
      return;
  }
  const QString path = filePath_;  // the action may start another choice
  if (*action) (*action)(path);
}

}  // namespace mv4700
