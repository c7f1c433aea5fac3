#include "shortcuts/HotKeyBackend.h"

#include <QGuiApplication>

std::unique_ptr<HotKeyBackend> makeHotKeyBackend() {
    const QByteArray chosen = qgetenv("BRINDLE_HOTKEY_BACKEND");
    if (chosen == "null") {
        return makeHotKeyBackendNull();
    }
    if (chosen == "x11" || QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto backend = makeHotKeyBackendX11()) {
            return backend;
        }
    }
    return makeHotKeyBackendNull();
}
