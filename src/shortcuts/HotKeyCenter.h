#pragma once

#include "settings/CaptureAction.h"
#include "shortcuts/HotKey.h"

#include <QSet>

#include <functional>
#include <map>
#include <memory>

// The global shortcuts of the three capture actions, registered from the settings.
class HotKeyCenter {
public:
    static HotKeyCenter& shared();

    // Drops every registration, then registers each action's stored shortcut again, in the
    // order of CaptureAction::allCases(). Refused ones end up in failed().
    void reload();

    // Ends every registration until the next reload, so that the shortcut recorder receives
    // combinations that are registered.
    void suspend();

    // Actions whose shortcut the platform refused at the last reload.
    const QSet<CaptureAction>& failed() const { return m_failed; }
    // The registration in force for an action, if any.
    const HotKey* key(CaptureAction action) const;

    // What a press of an action's shortcut does; set by the application shell.
    std::function<void(CaptureAction)> onAction;

private:
    HotKeyCenter() = default;

    std::map<CaptureAction::Case, std::unique_ptr<HotKey>> m_keys;
    QSet<CaptureAction> m_failed;
};
