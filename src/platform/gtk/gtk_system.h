// The Linux edition's system layer: one adapter of each concern, built by the composition root.
#pragma once

#include "platform/system.h"

namespace vkr::gtk {

// Creates the adapters (once per process) and returns the aggregate pointing at them. The
// calling thread becomes the GUI thread; GTK itself starts when the first window or box needs it.
System CreateGtkSystem(int argc, char** argv);

// Once GTK runs: the application's icon (from the embedded resources) for every window and the
// tray.
void InstallApplicationIcon();

}  // namespace vkr::gtk
