// Hot keys, the shortcut centre and the key-code table on a real X server, pressed with xdotool.
#include "shortcuts/HotKey.h"
#include "shortcuts/HotKeyCenter.h"
#include "shortcuts/KeyCodeTable.h"
#include "shortcuts/KeyCombo.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr quint32 shiftCtrl = 768, nineKey = 25, zeroKey = 29, escapeKey = 53;

using Connection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// Another X client grabbing Shift+Ctrl+`keycode` (an X keycode) with its NumLock and CapsLock
// variants, as a desktop's shortcut daemon does, or without them when `plain`. The grabs last as
// long as the returned connection; it is empty when the server refused any of them.
Connection grabElsewhere(xcb_keycode_t keycode, bool plain = false) {
    Connection other(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.get())).data->root;
    for (const uint16_t locks :
         plain ? std::vector<uint16_t>{0} : std::vector<uint16_t>{0, 2, 16, 18}) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            other.get(), 0, root, 5 | locks, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(other.get(), cookie)) {
            std::free(error);
            other.reset();
            break;
        }
    }
    return other;
}

} // namespace

class tst_ShortcutsX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        m_escape = HotKey::create(escapeKey, 0, [this] { ++m_escapes; });
        QVERIFY(m_escape);
    }

    void cleanup() {
        HotKeyCenter::shared().suspend();
        m_escape.reset();
    }

    // NumLock and CapsLock leave the combination as it is; Alt makes it another one.
    void pressOfTheCombinationRunsTheHandler() {
        int ran = 0;
        const auto hotKey = HotKey::create(nineKey, shiftCtrl, [&ran] { ++ran; });
        QVERIFY(hotKey);

        pressAndSettle("shift+ctrl+9");
        for (const char* lock : {"Num_Lock", "Caps_Lock"}) {
            QProcess::execute(u"xdotool"_qs, {"key", lock});
            // The lock goes off again even when a check fails, or it would spoil the other tests.
            const auto unlock = qScopeGuard([lock] {
                QProcess::execute(u"xdotool"_qs, {"key", lock});
            });
            pressAndSettle("shift+ctrl+9");
        }
        pressAndSettle("shift+ctrl+alt+9");

        QCOMPARE(ran, 3);
    }

    // A refusal keeps no partial grab; the same combination twice in one process is refused, as X
    // would grant it twice and drop both at the first ungrab; a hot key whose handler drops it (an
    // Escape that ends a capture) releases its grab.
    void grabIsHeldOnlyByALiveHotKey() {
        // Holds only the combination without locks, so our lock variants would succeed.
        Connection other = grabElsewhere(19, true);
        QVERIFY(other);
        const auto refused = HotKey::create(zeroKey, shiftCtrl, [] {});
        other.reset();
        const bool freeAfterRefusal = bool(grabElsewhere(19));

        std::unique_ptr<HotKey> held;
        held = HotKey::create(zeroKey, shiftCtrl, [&held] { held.reset(); });
        const auto twice = HotKey::create(zeroKey, shiftCtrl, [] {});
        const bool heldElsewhere = bool(grabElsewhere(19));
        pressAndSettle("shift+ctrl+0");

        QVERIFY(!refused);
        QVERIFY(freeAfterRefusal);
        QVERIFY(!twice);
        QVERIFY(!heldElsewhere);
        QVERIFY(!held);
        QVERIFY(grabElsewhere(19));
    }

    // The stored macOS key codes must reach the same physical keys on a real X server: keys of each
    // group in the table are checked against the unshifted keysym the server's keymap gives them.
    void physicalKeyMatchesKeymap_data() {
        QTest::addColumn<quint32>("macKeyCode");
        QTest::addColumn<quint32>("keysym");
        const auto row = [](const char* name, quint32 mac, quint32 keysym) {
            QTest::newRow(name) << mac << keysym;
        };

        row("A", 0, 'a');
        row("ISO key beside Shift", 10, '<');
        row("space", 49, ' ');
        row("F12", 111, 0xffc9);
        row("keypad enter", 76, 0xff8d);
    }

    void physicalKeyMatchesKeymap() {
        QFETCH(quint32, macKeyCode);
        xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);

        const std::optional<quint32> x11 = KeyCodeTable::x11FromMac(macKeyCode);

        QVERIFY(x11);
        const xcb_keysym_t found = xcb_key_symbols_get_keysym(symbols, xcb_keycode_t(*x11), 0);
        xcb_key_symbols_free(symbols);
        xcb_disconnect(connection);
        QTEST(quint32(found), "keysym");
    }

    void tableIsOneToOneAndCoversTheNamedKeys() {
        QList<quint32> named = KeyCombo::functionKeys().keys() + KeyCombo::namedKeys().keys();
        int mapped = 0;

        for (quint32 mac = 0; mac < 256; ++mac) {
            if (const std::optional<quint32> x11 = KeyCodeTable::x11FromMac(mac)) {
                ++mapped;
                named.removeAll(mac);
                QCOMPARE(KeyCodeTable::macFromX11(*x11), std::optional<quint32>(mac));
            }
        }

        QVERIFY(mapped >= 100);
        QCOMPARE(named, QList<quint32>());
    }

    void modifierMasks() {
        // Shift and Ctrl are pressed through the hot-key tests.
        QCOMPARE(KeyCodeTable::x11Modifiers(KeyCombo::option), quint16(8));   // Mod1, Alt
        QCOMPARE(KeyCodeTable::x11Modifiers(KeyCombo::control), quint16(64)); // Mod4, Super
    }

private:
    // Presses `keys`, then Escape, and waits for the Escape hot key: by then every earlier press
    // has been handled.
    void pressAndSettle(const QString& keys) {
        const int escapes = m_escapes;
        QCOMPARE(QProcess::execute(u"xdotool"_qs, {"key", keys, "Escape"}), 0);
        QTRY_COMPARE(m_escapes, escapes + 1);
    }

    std::unique_ptr<HotKey> m_escape;
    int m_escapes = 0;
};

QTEST_MAIN(tst_ShortcutsX11)
#include "tst_ShortcutsX11.moc"
