#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <functional>
#include <memory>
#include <optional>

// One system-wide hot key: registered while the object lives, its handler run on every press.
// Ids come from one process-wide counter and key the process-wide handler table, so a press that
// arrives after its hot key is gone finds nothing and does nothing.
class HotKey {
public:
    // "LEAF": what the hot-key service knows this application's registrations by.
    static constexpr quint32 signature = 0x4C454146;

    // Registers the combination (stored key code and modifier mask); nothing when the platform
    // refuses it. The id is used up either way.
    static std::unique_ptr<HotKey> create(quint32 keyCode, quint32 modifiers,
                                          std::function<void()> handler);
    ~HotKey();

    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    // What carries the hot keys of this process (the back-end is chosen on first use).
    static HotKeyService service();

    // The process-wide press handler: runs the handler registered under the identifier's id.
    static void handle(HotKeyIdentifier identifier);

private:
    HotKey(quint32 id, HotKeyBackend::Ref ref) : m_ref(ref), m_id(id) {}

    std::optional<HotKeyBackend::Ref> m_ref;
    quint32 m_id;
};
