#pragma once

#include "shortcuts/HotKey.h"
#include "shortcuts/KeyCombo.h"

#include <QList>
#include <QSet>

#include <functional>
#include <map>
#include <memory>
#include <optional>

// The global shortcuts of the capture actions. The application hands in each action's
// combination; the centre knows the actions only by the numbers it was given.
class HotKeyCenter {
public:
    static HotKeyCenter& shared();

    struct Binding {
        int action;
        std::optional<KeyCombo> combo;
    };

    // Drops every registration, then registers each binding with a combination, in the order
    // given. Refused ones end up in failed().
    void reload(const QList<Binding>& bindings);
    // The same with what `bindings` answers now, so a shortcut changed meanwhile takes effect.
    void reload();

    // The current bindings, read afresh on every reload(); set by the application shell.
    std::function<QList<Binding>()> bindings;

    // Ends every registration until the next reload, so that the shortcut recorder receives
    // combinations that are registered.
    void suspend();

    // Actions whose shortcut the platform refused at the last reload.
    const QSet<int>& failed() const { return m_failed; }
    // How many shortcuts the platform took at the last reload.
    int registered() const { return int(m_keys.size()); }

    // What a press of an action's shortcut does; set by the application shell.
    std::function<void(int action)> onAction;

private:
    HotKeyCenter() = default;

    std::map<int, std::unique_ptr<HotKey>> m_keys;
    QSet<int> m_failed;
};
