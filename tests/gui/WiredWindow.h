#pragma once

#include "app/ProgramFolder.h"
#include "gui/MainForm.h"
#include "gui/WidgetFrame.h"
#include "program/ProgramServices.h"

namespace quarrow {

// The frame and the services a window is handed, built before it and gone after it.
struct WindowWiring {
    WindowWiring(const ProgramFolder& folder, Platform& platform)
        : wiredFrame(folder.path() + QLatin1Char('/')), wiredServices(folder, platform, wiredFrame) {}
    WidgetFrame wiredFrame;
    ProgramServices wiredServices;
};

// The main window wired as the desktop program's main wires it, owning its wiring, so a
// test holds one object and destroys the window before the services.
class WiredWindow : private WindowWiring, public TMainForm {
public:
    WiredWindow(const ProgramFolder& folder, Platform& platform)
        : WindowWiring(folder, platform), TMainForm(wiredServices, wiredFrame) {}
};

}  // namespace quarrow
