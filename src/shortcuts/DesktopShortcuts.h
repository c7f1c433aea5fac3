#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QString>

// Where the session gives the program no global shortcuts, the user binds its command lines in
// the desktop's own keyboard settings instead.
namespace DesktopShortcuts {

// True when the shortcuts cannot work here at all: on Wayland with no shortcut service, or with
// one that refused every combination given to it. X11 refusals are single clashes that the
// settings window reports shortcut by shortcut; other platforms have no desktop to bind keys in.
bool adviceNeeded(bool wayland, HotKeyService service, int refused, int total);

} // namespace DesktopShortcuts

// What to tell the user, once, about binding `brindlecap area`, `full` and `recents` in the
// desktop's keyboard settings; empty when global shortcuts work in this session.
QString desktopShortcutAdvice();
