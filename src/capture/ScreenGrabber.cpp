#include "capture/ScreenGrabber.h"

#include <QCoreApplication>
#include <QGuiApplication>

std::unique_ptr<ScreenGrabber> makeScreenGrabber() {
    const QByteArray forced = qgetenv("BRINDLE_GRABBER");
    const bool onX11 = QGuiApplication::platformName() == QLatin1String("xcb");
    if (forced == "null")
        return ScreenGrabberNull::create(QCoreApplication::translate(
            "ScreenGrabber", "La captura de pantalla está desactivada."));
    if (onX11 && forced == "getimage")
        return ScreenGrabberX11::create(ScreenGrabberX11::Transport::GetImage);
    if (onX11)
        return ScreenGrabberX11::create(ScreenGrabberX11::Transport::Auto);
    return ScreenGrabberNull::create(QCoreApplication::translate(
        "ScreenGrabber", "Esta sesión no permite capturar la pantalla."));
}
