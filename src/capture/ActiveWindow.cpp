#include "capture/ActiveWindow.h"

#include "platform/Session.h"
#include "platform/X11.h"

std::unique_ptr<ActiveWindow> makeActiveWindow() {
    const bool x11 = X11::chosenFor("BRINDLE_ACTIVE_WINDOW");
    Session::announce("ventana activa", x11 ? "x11" : "ninguna");
    return x11 ? ActiveWindowX11::create() : ActiveWindowNull::create();
}
