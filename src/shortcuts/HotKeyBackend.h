#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

// What a hot-key registration is known by: the application's signature and the registration's
// id. Presses come back with it.
struct HotKeyIdentifier {
    quint32 signature = 0;
    quint32 id = 0;
};

// The session's global-shortcut service. Key codes and modifier masks are the stored ones
// (macOS virtual key codes and modifier bits); each back-end maps them to its platform.
class HotKeyBackend {
public:
    using Ref = quint64;

    virtual ~HotKeyBackend() = default;

    // Takes the combination for the whole session, or nothing when the platform refuses it
    // (another client holds it, the key has no equivalent here, or no service exists).
    virtual std::optional<Ref> registerHotKey(quint32 keyCode, quint32 modifiers,
                                              HotKeyIdentifier identifier) = 0;
    virtual void unregisterHotKey(Ref ref) = 0;

    // Called on the main thread once per press (never on release) of a registered combination.
    std::function<void(HotKeyIdentifier)> onPressed;
};

// The back-end for this session: X11 under Qt's xcb platform, otherwise the null one.
// BRINDLE_HOTKEY_BACKEND ("x11" or "null") overrides the choice.
std::unique_ptr<HotKeyBackend> makeHotKeyBackend();

// Grabs keys on the root window; nothing when there is no X connection.
std::unique_ptr<HotKeyBackend> makeHotKeyBackendX11();
// Refuses every registration, so every shortcut is reported as refused.
std::unique_ptr<HotKeyBackend> makeHotKeyBackendNull();
