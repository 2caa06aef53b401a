#pragma once

namespace mv4700 {

// Names the application (message boxes without a title of their own show this
// name) and lets closing the last window end it.
void configureApplication();

}  // namespace mv4700
