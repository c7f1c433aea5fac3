#include "shortcuts/DesktopShortcuts.h"

#include "shortcuts/HotKey.h"
#include "shortcuts/HotKeyCenter.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace DesktopShortcuts {

bool adviceNeeded(bool wayland, HotKeyService service, int refused, int total) {
    if (!wayland)
        return false;
    if (service == HotKeyService::none)
        return true;
    return total > 0 && refused == total;
}

} // namespace DesktopShortcuts

QString desktopShortcutAdvice() {
    const HotKeyCenter& center = HotKeyCenter::shared();
    const int refused = int(center.failed().size());
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!DesktopShortcuts::adviceNeeded(wayland, HotKey::service(), refused,
                                        refused + center.registered()))
        return {};
    return QCoreApplication::translate(
        "DesktopShortcuts",
        "Este escritorio no permite a los programas tener atajos de teclado globales. Para "
        "capturar con el teclado, crea en la configuración de teclado de tu escritorio atajos "
        "personalizados que ejecuten estas órdenes:\n"
        "• brindlecap area (capturar un área)\n"
        "• brindlecap full (capturar la pantalla completa)\n"
        "• brindlecap recents (capturas recientes)");
}
