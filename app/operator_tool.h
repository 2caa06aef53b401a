#pragma once

#include "app/form1.h"
#include "app/product_bench.h"
#include "app/tool.h"
#include "app/window_clock.h"
#include "link/hid_hidapi.h"
#include "link/serial_qt.h"
#include "seams/clock.h"

namespace mv4700 {

// The tool as an operator runs it: the real USB and serial backends, the
// window clock and the main window with its commands wired. The backends are
// declared first, so they close the device and the port last, at program end.
struct OperatorTool {
  HidapiLibrary hid;
  QtSerialService serial;
  WindowClock clock;
  Form1 window;
  Tool tool{window, hid, serial, clock, productBenchDevices()};
};

}  // namespace mv4700
