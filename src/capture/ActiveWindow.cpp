#include "capture/ActiveWindow.h"

#include "platform/X11.h"

std::unique_ptr<ActiveWindow> makeActiveWindow() {
    return X11::chosenFor("BRINDLE_ACTIVE_WINDOW") ? ActiveWindowX11::create()
                                                   : ActiveWindowNull::create();
}
