#include "app/CaptureActions.h"

#include "settings/Prefs.h"
#include "shortcuts/HotKeyCenter.h"

#include <array>

namespace CaptureActions {
namespace {

struct Registry {
    std::array<Handler, 3> handlers;
    Handler hideDrawer;
    Countdown countdown;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

void setHandler(CaptureAction action, Handler handler) {
    registry().handlers[CaptureAction::Case(action)] = std::move(handler);
}

void setHideDrawer(Handler hideDrawer) {
    registry().hideDrawer = std::move(hideDrawer);
}

void setCountdown(Countdown countdown) {
    registry().countdown = std::move(countdown);
}

void perform(CaptureAction action) {
    Registry& r = registry();
    if (action != CaptureAction::recents && r.hideDrawer)
        r.hideDrawer();
    // A copy: the handler may register another one while it runs.
    const Handler handler = r.handlers[CaptureAction::Case(action)];
    if (handler)
        handler();
}

void performAfterCountdown(qint64 seconds, CaptureAction action) {
    const Countdown countdown = registry().countdown;
    if (countdown)
        countdown(seconds, [action] { perform(action); });
}

void registerShortcuts() {
    HotKeyCenter& center = HotKeyCenter::shared();
    center.bindings = [] {
        QList<HotKeyCenter::Binding> bindings;
        for (const CaptureAction action : CaptureAction::allCases())
            bindings.append({CaptureAction::Case(action), Prefs::combo(action)});
        return bindings;
    };
    center.onAction = [](int action) { perform(CaptureAction::Case(action)); };
    center.reload();
}

QList<CaptureAction> refusedShortcuts() {
    QList<CaptureAction> refused;
    for (const CaptureAction action : CaptureAction::allCases())
        if (HotKeyCenter::shared().failed().contains(CaptureAction::Case(action)))
            refused.append(action);
    return refused;
}

} // namespace CaptureActions
