#include "capture/WindowFinder.h"

#include <QGuiApplication>

std::unique_ptr<WindowFinder> makeWindowFinder() {
    const QByteArray forced = qgetenv("BRINDLE_WINDOW_FINDER");
    if (forced == "x11" ||
        (forced != "null" && QGuiApplication::platformName() == QLatin1String("xcb")))
        return WindowFinderX11::create();
    return WindowFinderNull::create();
}
