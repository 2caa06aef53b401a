#pragma once

namespace mv4700 {

class Dialogs;
class SettingsFields;
class StatusBox;

// The settings the window starts with. Leaves enabled and visible alone.
void setDefaultFields(SettingsFields& fields);

// "Clear all setting fields to default": after the operator confirms, the
// fields return to their start-up values and the status box says so.
void clearAllFields(SettingsFields& fields, StatusBox& status, Dialogs& dialogs);

}  // namespace mv4700
