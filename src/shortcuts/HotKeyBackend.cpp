#include "shortcuts/HotKeyBackend.h"

#include "platform/X11.h"

std::unique_ptr<HotKeyBackend> makeHotKeyBackend() {
    if (X11::chosenFor("BRINDLE_HOTKEY_BACKEND")) {
        if (auto backend = makeHotKeyBackendX11()) {
            return backend;
        }
    }
    return makeHotKeyBackendNull();
}
