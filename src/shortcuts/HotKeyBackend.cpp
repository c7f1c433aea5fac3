#include "shortcuts/HotKeyBackend.h"

#include "platform/Session.h"
#include "platform/X11.h"

#include <QGuiApplication>

std::unique_ptr<HotKeyBackend> makeHotKeyBackend() {
    if (X11::chosenFor("BRINDLE_HOTKEY_BACKEND")) {
        if (auto backend = makeHotKeyBackendX11()) {
            Session::announce("atajos globales", "x11");
            return backend;
        }
    }
    const QByteArray forced = qgetenv("BRINDLE_HOTKEY_BACKEND");
    if (forced == "portal" || (forced.isEmpty() && QGuiApplication::platformName().startsWith(
                                                       QLatin1String("wayland")))) {
        if (auto backend = makeHotKeyBackendPortal()) {
            Session::announce("atajos globales", "portal");
            return backend;
        }
    }
    Session::announce("atajos globales", "ninguno");
    return makeHotKeyBackendNull();
}
