// The stored macOS key codes must reach the same physical keys on a real X server: keys of each
// group in the table are checked against the unshifted keysym the server's keymap gives them.
#include "shortcuts/KeyCodeTable.h"
#include "shortcuts/KeyCombo.h"

#include <QGuiApplication>
#include <QTest>

#include <xcb/xcb_keysyms.h>

class tst_KeyCodeTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void physicalKeyMatchesKeymap_data() {
        QTest::addColumn<quint32>("macKeyCode");
        QTest::addColumn<quint32>("keysym");
        const auto row = [](const char* name, quint32 mac, quint32 keysym) {
            QTest::newRow(name) << mac << keysym;
        };

        row("A", 0, 'a');
        row("ISO key beside Shift", 10, '<');
        row("space", 49, ' ');
        row("escape", 53, 0xff1b);
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
};

QTEST_MAIN(tst_KeyCodeTable)
#include "tst_KeyCodeTable.moc"
