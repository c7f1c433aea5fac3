#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QList>
#include <QSet>
#include <QString>

#include <map>
#include <utility>

// Stands in for the session's hot-key service: refuses the combinations in `refused`, records
// what happens in `log`, and presses a registered combination on demand.
class FakeHotKeyBackend final : public HotKeyBackend {
public:
    struct Registration {
        quint32 keyCode;
        quint32 modifiers;
        HotKeyIdentifier identifier;
    };

    QSet<std::pair<quint32, quint32>> refused;
    std::map<Ref, Registration> registered;
    QStringList log;

    std::optional<Ref> registerHotKey(quint32 keyCode, quint32 modifiers,
                                      HotKeyIdentifier identifier) override {
        if (refused.contains({keyCode, modifiers})) {
            log << QStringLiteral("refuse %1/%2").arg(keyCode).arg(modifiers);
            return std::nullopt;
        }
        const Ref ref = m_nextRef++;
        registered[ref] = {keyCode, modifiers, identifier};
        log << QStringLiteral("register %1/%2").arg(keyCode).arg(modifiers);
        return ref;
    }

    void unregisterHotKey(Ref ref) override {
        const auto it = registered.find(ref);
        if (it != registered.end()) {
            log << QStringLiteral("unregister %1/%2")
                       .arg(it->second.keyCode)
                       .arg(it->second.modifiers);
            registered.erase(it);
        }
    }

    // What the platform does when the user presses keyCode + modifiers; false when nothing of
    // this process holds the combination.
    bool press(quint32 keyCode, quint32 modifiers) {
        for (const auto& [ref, registration] : registered) {
            if (registration.keyCode == keyCode && registration.modifiers == modifiers) {
                const HotKeyIdentifier identifier = registration.identifier;
                onPressed(identifier);
                return true;
            }
        }
        return false;
    }

    void reset() {
        refused.clear();
        log.clear();
    }

private:
    Ref m_nextRef = 1;
};
