#pragma once

#include "platform/Result.h"

#include <QString>

// Opening the program at login through the XDG autostart file
// $XDG_CONFIG_HOME/autostart/brindlecap.desktop, which desktops run when the session starts.
namespace Autostart {

QString filePath();
// The file exists and does not say Hidden=true (how desktops switch an entry off).
bool isEnabled();
// Writes the file, or removes it; the failure names the file and the system's reason.
Status setEnabled(bool enabled);
// The Exec= value that starts `program`, quoted and escaped as desktop entries require.
QString execLine(const QString& program);

} // namespace Autostart
