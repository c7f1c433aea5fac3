#include "shortcuts/HotKey.h"

#include <QHash>

namespace {

// Shared by every HotKey; main thread only.
struct Registry {
    QHash<quint32, std::function<void()>> handlers;
    quint32 nextID = 1;
    bool installed = false;
    std::unique_ptr<HotKeyBackend> backend;
};

// Never destroyed: hot keys held by other process-wide objects may be dropped at exit after
// any static registry would be gone.
Registry& registry() {
    static Registry* const shared = new Registry;
    return *shared;
}

void install(std::unique_ptr<HotKeyBackend> backend) {
    Registry& r = registry();
    r.backend = std::move(backend);
    r.backend->onPressed = &HotKey::handle;
    r.installed = true;
}

} // namespace

HotKeyService HotKey::service() {
    Registry& r = registry();
    if (!r.installed) {
        install(makeHotKeyBackend());
    }
    return r.backend->service();
}

std::unique_ptr<HotKey> HotKey::create(quint32 keyCode, quint32 modifiers,
                                       std::function<void()> handler) {
    Registry& r = registry();
    if (!r.installed) {
        install(makeHotKeyBackend());
    }
    const quint32 id = r.nextID++;
    const std::optional<HotKeyBackend::Ref> ref =
        r.backend->registerHotKey(keyCode, modifiers, HotKeyIdentifier{signature, id});
    if (!ref) {
        return nullptr;
    }
    r.handlers.insert(id, std::move(handler));
    return std::unique_ptr<HotKey>(new HotKey(id, *ref));
}

HotKey::~HotKey() {
    Registry& r = registry();
    if (m_ref && r.backend) {
        r.backend->unregisterHotKey(*m_ref);
    }
    r.handlers.remove(m_id);
}

void HotKey::handle(HotKeyIdentifier identifier) {
    const Registry& r = registry();
    const auto it = r.handlers.constFind(identifier.id);
    if (it == r.handlers.constEnd()) {
        return;
    }
    // A copy: the handler may drop its own hot key (an Escape that ends a capture).
    const std::function<void()> handler = it.value();
    if (handler) {
        handler();
    }
}
