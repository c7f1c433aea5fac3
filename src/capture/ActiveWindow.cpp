#include "capture/ActiveWindow.h"

#include <QGuiApplication>

std::unique_ptr<ActiveWindow> makeActiveWindow() {
    const QByteArray forced = qgetenv("BRINDLE_ACTIVE_WINDOW");
    if (forced == "x11" ||
        (forced != "null" && QGuiApplication::platformName() == QLatin1String("xcb")))
        return ActiveWindowX11::create();
    return ActiveWindowNull::create();
}
