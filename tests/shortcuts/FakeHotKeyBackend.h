#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QSet>

#include <map>
#include <utility>

// Stands in for the session's hot-key service: refuses the combinations in `refused` and presses
// a registered combination on demand.
class FakeHotKeyBackend final : public HotKeyBackend {
public:
    using Combination = std::pair<quint32, quint32>; // key code, modifiers

    QSet<Combination> refused;
    std::map<Ref, std::pair<Combination, HotKeyIdentifier>> registered;

    std::optional<Ref> registerHotKey(quint32 keyCode, quint32 modifiers,
                                      HotKeyIdentifier identifier) override {
        if (refused.contains({keyCode, modifiers}))
            return std::nullopt;
        registered[++m_lastRef] = {{keyCode, modifiers}, identifier};
        return m_lastRef;
    }

    void unregisterHotKey(Ref ref) override { registered.erase(ref); }

    // False when nothing of this process holds the combination.
    bool press(quint32 keyCode, quint32 modifiers) {
        for (const auto& [ref, registration] : registered) {
            if (registration.first == Combination{keyCode, modifiers}) {
                onPressed(HotKeyIdentifier(registration.second));
                return true;
            }
        }
        return false;
    }

private:
    Ref m_lastRef = 0;
};
