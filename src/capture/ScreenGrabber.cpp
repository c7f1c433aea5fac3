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
    if (auto kwin = QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
                        ? ScreenGrabberKWin::create()
                        : nullptr)
        return kwin;
    // No permission can help here: say so, and what works today.
    return ScreenGrabberNull::create(
        QCoreApplication::translate(
            "ScreenGrabber",
            "Brindlecap todavía no puede capturar la pantalla en este tipo de sesión de escritorio "
            "(%1). Mientras tanto funciona en sesiones X11: al iniciar sesión, elige la sesión "
            "«Xorg» o «X11» de tu escritorio.")
            .arg(QGuiApplication::platformName()));
}
