#pragma once

#include <QString>
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

// What carries global shortcuts in this session.
enum class HotKeyService { none, x11, portal };

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

    virtual HotKeyService service() const = 0;

    // Called on the main thread once per press (never on release) of a registered combination.
    std::function<void(HotKeyIdentifier)> onPressed;
};

// The back-end for this session: X11 under Qt's xcb platform, the GlobalShortcuts portal on
// Wayland where the desktop offers it, otherwise the null one. BRINDLE_HOTKEY_BACKEND ("x11",
// "portal" or "null") overrides the choice.
std::unique_ptr<HotKeyBackend> makeHotKeyBackend();

// Grabs keys on the root window; nothing when there is no X connection.
std::unique_ptr<HotKeyBackend> makeHotKeyBackendX11();
// The portal's trigger text for a stored combination ("CTRL+SHIFT+9": modifiers by the freedesktop
// shortcut names, then the key's XKB name); nothing for a key outside the table.
std::optional<QString> portalTrigger(quint32 keyCode, quint32 modifiers);
// org.freedesktop.portal.GlobalShortcuts; nothing when the session bus offers no such portal.
std::unique_ptr<HotKeyBackend> makeHotKeyBackendPortal();
// Refuses every registration, so every shortcut is reported as refused.
std::unique_ptr<HotKeyBackend> makeHotKeyBackendNull();
