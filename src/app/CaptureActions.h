#pragma once

#include "settings/CaptureAction.h"

#include <QList>

#include <functional>

// Running the three capture commands. The shell only dispatches: the capture controller and the
// recents drawer register what each action does, so the shell never reaches down into them.
// Main thread only.
namespace CaptureActions {

using Handler = std::function<void()>;
// Shows the seconds counting down, then runs `then`.
using Countdown = std::function<void(qint64 seconds, std::function<void()> then)>;

// What `perform(action)` runs; an empty handler removes it. The controller registers area and
// full screen, the drawer registers recents (which toggles it).
void setHandler(CaptureAction action, Handler handler);
// Closes the recents drawer. Runs before every area and full-screen capture, ahead of the
// controller's busy check, so even a dropped request closes the drawer.
void setHideDrawer(Handler hideDrawer);
void setCountdown(Countdown countdown);

// Runs the action now: for area and full screen the drawer closes first. An action nobody has
// registered does nothing.
void perform(CaptureAction action);

// The countdown of `seconds`, then `perform(action)`. Nothing without a registered countdown.
void performAfterCountdown(qint64 seconds, CaptureAction action);

// Hands each action's stored shortcut to the hot-key centre, in the order of allCases(), read
// again at every later reload of the centre; a press runs perform().
void registerShortcuts();
// The actions whose shortcut the platform refused at the last registration.
QList<CaptureAction> refusedShortcuts();

} // namespace CaptureActions
