#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/KeyCodeTable.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

constexpr xcb_keysym_t numLockKeysym = 0xff7f; // XK_Num_Lock
// Only the eight core modifiers take part in matching; pointer buttons held do not.
constexpr quint16 modifierBits = 0xff;
// Longer than any usual delay before auto-repeat starts.
constexpr xcb_timestamp_t repeatWindowMs = 1000;

class HotKeyBackendX11 final : public HotKeyBackend, public QAbstractNativeEventFilter {
public:
    HotKeyBackendX11(xcb_connection_t* connection, xcb_window_t root)
        : m_connection(connection), m_root(root) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~HotKeyBackendX11() override {
        if (!QCoreApplication::instance()) {
            return;
        }
        QCoreApplication::instance()->removeNativeEventFilter(this);
        for (const auto& [ref, grab] : m_grabs) {
            ungrab(grab.keycode, grab.variants);
        }
        xcb_flush(m_connection);
    }

    std::optional<Ref> registerHotKey(quint32 keyCode, quint32 modifiers,
                                      HotKeyIdentifier identifier) override {
        const std::optional<quint32> keycode = KeyCodeTable::x11FromMac(keyCode);
        if (!keycode || *keycode > 255) {
            return std::nullopt;
        }
        const quint16 mask = KeyCodeTable::x11Modifiers(modifiers);
        // X would let this client grab the same combination twice and lose both on the first
        // ungrab; the hot-key service refuses a combination that is already registered.
        for (const auto& [ref, grab] : m_grabs) {
            if (grab.keycode == *keycode && grab.modifiers == mask) {
                return std::nullopt;
            }
        }

        // With NumLock or CapsLock on, the server reports those bits too, and a grab only
        // matches the exact modifier state: grab every lock variant.
        const quint16 numLock = numLockMask();
        std::vector<quint16> variants;
        for (const quint16 locks : {quint16(0), numLock, KeyCodeTable::lockMask,
                                    quint16(numLock | KeyCodeTable::lockMask)}) {
            const quint16 variant = mask | locks;
            if (std::find(variants.begin(), variants.end(), variant) == variants.end()) {
                variants.push_back(variant);
            }
        }

        std::vector<xcb_void_cookie_t> cookies;
        for (const quint16 variant : variants) {
            cookies.push_back(xcb_grab_key_checked(m_connection, 0, m_root, variant,
                                                   xcb_keycode_t(*keycode), XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
        }
        std::vector<quint16> granted;
        for (size_t i = 0; i < cookies.size(); ++i) {
            // BadAccess: another client holds this variant.
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookies[i])) {
                std::free(error);
            } else {
                granted.push_back(variants[i]);
            }
        }
        if (granted.size() != variants.size()) {
            ungrab(xcb_keycode_t(*keycode), granted);
            xcb_flush(m_connection);
            return std::nullopt;
        }

        const Ref ref = m_nextRef++;
        m_grabs[ref] =
            Grab{xcb_keycode_t(*keycode), mask, numLock, std::move(variants), identifier};
        return ref;
    }

    void unregisterHotKey(Ref ref) override {
        const auto it = m_grabs.find(ref);
        if (it == m_grabs.end()) {
            return;
        }
        // Once the application is gone its X connection is closed, and its grabs with it.
        if (!QCoreApplication::instance()) {
            m_grabs.erase(it);
            return;
        }
        ungrab(it->second.keycode, it->second.variants);
        xcb_flush(m_connection);
        m_grabs.erase(it);
    }

    HotKeyService service() const override { return HotKeyService::x11; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<xcb_generic_event_t*>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
            return false;
        }
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != m_root) {
            return false;
        }
        for (auto& [ref, grab] : m_grabs) {
            if (grab.keycode != key->detail) {
                continue;
            }
            if (type == XCB_KEY_RELEASE) {
                // The modifiers may already be up, so any release of the key ends the press.
                grab.held = false;
                continue;
            }
            const quint16 state =
                key->state & modifierBits & ~(grab.numLock | KeyCodeTable::lockMask);
            if (state != grab.modifiers) {
                continue;
            }
            // Auto-repeat sends more presses while the key is held; one hold is one press. A
            // release can go astray (a window that grabs the keyboard takes it), so a press long
            // after the last one counts as new even without it.
            const bool repeat = grab.held && key->time - grab.lastPress < repeatWindowMs;
            grab.held = true;
            grab.lastPress = key->time;
            if (!repeat && onPressed) {
                const HotKeyIdentifier identifier = grab.identifier;
                onPressed(identifier);
            }
            return true;
        }
        return false;
    }

private:
    struct Grab {
        xcb_keycode_t keycode;
        quint16 modifiers;
        quint16 numLock;
        std::vector<quint16> variants;
        HotKeyIdentifier identifier;
        bool held = false;
        xcb_timestamp_t lastPress = 0;
    };

    void ungrab(xcb_keycode_t keycode, const std::vector<quint16>& variants) {
        for (const quint16 variant : variants) {
            xcb_ungrab_key(m_connection, keycode, m_root, variant);
        }
    }

    // The modifier bit the keyboard map gives NumLock; Mod2, where nearly every map puts it,
    // when the map does not say.
    quint16 numLockMask() const {
        quint16 mask = 0;
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t* numLockCodes =
            symbols ? xcb_key_symbols_get_keycode(symbols, numLockKeysym) : nullptr;
        xcb_get_modifier_mapping_reply_t* mapping = xcb_get_modifier_mapping_reply(
            m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
        if (numLockCodes && mapping) {
            const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping);
            const int perModifier = mapping->keycodes_per_modifier;
            for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
                for (int i = 0; i < perModifier && mask == 0; ++i) {
                    const xcb_keycode_t code = codes[modifier * perModifier + i];
                    for (const xcb_keycode_t* n = numLockCodes;
                         code != 0 && *n != XCB_NO_SYMBOL && mask == 0; ++n) {
                        if (*n == code) {
                            mask = quint16(1u << modifier);
                        }
                    }
                }
            }
        }
        std::free(mapping);
        std::free(numLockCodes);
        if (symbols) {
            xcb_key_symbols_free(symbols);
        }
        return mask ? mask : KeyCodeTable::mod2Mask;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::map<Ref, Grab> m_grabs;
    Ref m_nextRef = 1;
};

} // namespace

std::unique_ptr<HotKeyBackend> makeHotKeyBackendX11() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection)) {
        return nullptr;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) {
        return nullptr;
    }
    return std::make_unique<HotKeyBackendX11>(connection, screen->root);
}
