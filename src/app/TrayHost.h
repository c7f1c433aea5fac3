#pragma once

#include <QString>

// Whether anything shows the tray icon, and what the welcome says when nothing does: GNOME
// without its AppIndicator extension and bare compositors run no tray host, on X11 as on Wayland.
namespace TrayHost {

// True when a tray host shows the icon now: an X11 system tray, or a StatusNotifierItem host
// registered with the session's watcher.
bool available();

// The welcome's headline: where the program lives.
QString welcomeHeadline(bool trayHost);

// The welcome's paragraph about reaching the program without an icon; empty with a tray host.
QString welcomeParagraph(bool trayHost);

} // namespace TrayHost
