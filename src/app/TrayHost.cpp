#include "app/TrayHost.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QSystemTrayIcon>

namespace TrayHost {

namespace {

// Qt answers for an X11 tray by itself; a StatusNotifierItem host is asked for here too, because
// Qt's answer on Wayland depends on the platform theme in use.
bool statusNotifierHostRegistered() {
    QDBusInterface watcher(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.kde.StatusNotifierWatcher"), QDBusConnection::sessionBus());
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

} // namespace

bool available() {
    return QSystemTrayIcon::isSystemTrayAvailable() || statusNotifierHostRegistered();
}

QString welcomeHeadline(bool trayHost) {
    return trayHost ? QCoreApplication::translate("TrayHost",
                                                  "Brindlecap vive en la bandeja del sistema 🍃")
                    : QCoreApplication::translate("TrayHost", "Brindlecap ya está en marcha 🍃");
}

QString welcomeParagraph(bool trayHost) {
    if (trayHost)
        return {};
    return QCoreApplication::translate(
        "TrayHost",
        "Este escritorio no muestra la bandeja del sistema, así que Brindlecap no tiene icono: "
        "sigue funcionando con sus atajos y desde la línea de órdenes. Para abrir la "
        "configuración, ejecuta «brindlecap settings» o elige «Configuración» entre las acciones "
        "de Brindlecap en el menú de aplicaciones.");
}

} // namespace TrayHost
