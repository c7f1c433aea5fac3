#include "shortcuts/HotKeyCenter.h"

HotKeyCenter& HotKeyCenter::shared() {
    static HotKeyCenter center;
    return center;
}

void HotKeyCenter::reload(const QList<Binding>& bindings) {
    // Everything goes first, so an unchanged shortcut does not clash with its own old grab.
    m_keys.clear();
    m_failed.clear();

    for (const Binding& binding : bindings) {
        if (!binding.combo)
            continue;
        const int action = binding.action;
        auto hotKey =
            HotKey::create(binding.combo->keyCode, binding.combo->modifiers, [this, action] {
                if (onAction)
                    onAction(action);
            });
        if (hotKey)
            m_keys[action] = std::move(hotKey);
        else
            m_failed.insert(action);
    }
}

void HotKeyCenter::reload() {
    reload(bindings ? bindings() : QList<Binding>());
}

void HotKeyCenter::suspend() {
    m_keys.clear();
}
