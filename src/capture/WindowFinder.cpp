#include "capture/WindowFinder.h"

#include "platform/Session.h"
#include "platform/X11.h"

std::unique_ptr<WindowFinder> makeWindowFinder() {
    const bool x11 = X11::chosenFor("BRINDLE_WINDOW_FINDER");
    Session::announce("lista de ventanas", x11 ? "x11" : "ninguna");
    return x11 ? WindowFinderX11::create() : WindowFinderNull::create();
}
