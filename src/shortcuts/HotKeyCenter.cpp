#include "shortcuts/HotKeyCenter.h"

#include "settings/Prefs.h"

HotKeyCenter& HotKeyCenter::shared() {
    static HotKeyCenter center;
    return center;
}

void HotKeyCenter::reload() {
    // Everything goes first, so an unchanged shortcut does not clash with its own old grab.
    m_keys.clear();
    m_failed.clear();

    for (const CaptureAction action : CaptureAction::allCases()) {
        const std::optional<KeyCombo> combo = Prefs::combo(action);
        if (!combo) {
            continue;
        }
        auto hotKey = HotKey::create(combo->keyCode, combo->modifiers, [this, action] {
            if (onAction) {
                onAction(action);
            }
        });
        if (hotKey) {
            m_keys[action] = std::move(hotKey);
        } else {
            m_failed.insert(action);
        }
    }
}

void HotKeyCenter::suspend() {
    m_keys.clear();
}

const HotKey* HotKeyCenter::key(CaptureAction action) const {
    const auto it = m_keys.find(action);
    return it == m_keys.end() ? nullptr : it->second.get();
}
