#include "capture/ScreenGrabber.h"

#include "platform/Session.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

void ScreenGrabber::deliverLater(Done done, GrabResult result) {
    QMetaObject::invokeMethod(
        qApp, [done = std::move(done), result = std::move(result)] { done(result); },
        Qt::QueuedConnection);
}

namespace {

std::unique_ptr<ScreenGrabber> choose(const QByteArray& forced) {
    const bool onX11 = QGuiApplication::platformName() == QLatin1String("xcb");
    const bool onWayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (forced == "null")
        return ScreenGrabberNull::create(QCoreApplication::translate(
            "ScreenGrabber", "La captura de pantalla está desactivada."));
    if (onX11 && forced == "getimage")
        return ScreenGrabberX11::create(ScreenGrabberX11::Transport::GetImage);
    if (onX11)
        return ScreenGrabberX11::create(ScreenGrabberX11::Transport::Auto);
    if (onWayland && forced != "portal") {
        if (auto wlr = ScreenGrabberWlr::create())
            return wlr;
        if (auto kwin = ScreenGrabberKWin::create())
            return kwin;
    }
    if (onWayland)
        return ScreenGrabberPortal::create();
    return ScreenGrabberNull::create(
        QCoreApplication::translate("ScreenGrabber",
                                    "Brindlecap no sabe capturar la pantalla en este tipo de "
                                    "sesión de escritorio (%1).")
            .arg(QGuiApplication::platformName()));
}

} // namespace

std::unique_ptr<ScreenGrabber> makeScreenGrabber() {
    std::unique_ptr<ScreenGrabber> grabber = choose(qgetenv("BRINDLE_GRABBER"));
    Session::announce("captura", grabber->name());
    return grabber;
}
