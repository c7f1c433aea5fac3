#include "capture/WindowFinder.h"

#include "platform/X11.h"

std::unique_ptr<WindowFinder> makeWindowFinder() {
    return X11::chosenFor("BRINDLE_WINDOW_FINDER") ? WindowFinderX11::create()
                                                   : WindowFinderNull::create();
}
