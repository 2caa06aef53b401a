#pragma once

namespace mv4700 {

// The parts of the main window, beside the settings fields, that test mode
// locks: the "Testing" label and the File and Programming menus.
class TestWindow {
 public:
  virtual ~TestWindow() = default;
  virtual void setTestingLabelVisible(bool visible) = 0;
  virtual void setFileAndProgMenusEnabled(bool enabled) = 0;
};

}  // namespace mv4700
