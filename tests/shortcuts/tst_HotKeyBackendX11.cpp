// Hot keys and the shortcut centre on a real X server, pressed with xdotool.
#include "shortcuts/HotKey.h"
#include "shortcuts/HotKeyCenter.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <xcb/xcb.h>

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

class tst_HotKeyBackendX11 : public QObject {
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

QTEST_MAIN(tst_HotKeyBackendX11)
#include "tst_HotKeyBackendX11.moc"
