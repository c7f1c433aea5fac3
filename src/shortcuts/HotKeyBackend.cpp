#include "shortcuts/HotKeyBackend.h"

#include "platform/Session.h"
#include "platform/X11.h"

std::unique_ptr<HotKeyBackend> makeHotKeyBackend() {
    if (X11::chosenFor("BRINDLE_HOTKEY_BACKEND")) {
        if (auto backend = makeHotKeyBackendX11()) {
            Session::announce("atajos globales", "x11");
            return backend;
        }
    }
    Session::announce("atajos globales", "ninguno");
    return makeHotKeyBackendNull();
}
