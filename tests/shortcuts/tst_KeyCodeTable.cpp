// The stored macOS key codes must reach the same physical keys on a real X server: each key in
// the table is checked against the unshifted keysym that the server's keymap gives its keycode.
#include "shortcuts/KeyCodeTable.h"
#include "shortcuts/KeyCombo.h"

#include <QGuiApplication>
#include <QTest>

#include <xcb/xcb_keysyms.h>

class tst_KeyCodeTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void physicalKeyMatchesKeymap_data();
    void physicalKeyMatchesKeymap();
    void everyFunctionKeyAndTheDefaultsHaveAnX11Key();
    void tableIsOneToOne();
    void modifierMasks_data();
    void modifierMasks();

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_key_symbols_t* m_symbols = nullptr;
};

void tst_KeyCodeTable::initTestCase() {
    m_connection = xcb_connect(nullptr, nullptr);
    QVERIFY(m_connection && !xcb_connection_has_error(m_connection));
    m_symbols = xcb_key_symbols_alloc(m_connection);
    QVERIFY(m_symbols);
}

void tst_KeyCodeTable::cleanupTestCase() {
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
    if (m_connection)
        xcb_disconnect(m_connection);
}

void tst_KeyCodeTable::physicalKeyMatchesKeymap_data() {
    QTest::addColumn<quint32>("macKeyCode");
    QTest::addColumn<quint32>("keysym");

    const std::pair<const char*, std::pair<quint32, quint32>> keys[] = {
        {"A", {0, 'a'}},
        {"S", {1, 's'}},
        {"D", {2, 'd'}},
        {"F", {3, 'f'}},
        {"H", {4, 'h'}},
        {"G", {5, 'g'}},
        {"Z", {6, 'z'}},
        {"X", {7, 'x'}},
        {"C", {8, 'c'}},
        {"V", {9, 'v'}},
        {"B", {11, 'b'}},
        {"Q", {12, 'q'}},
        {"W", {13, 'w'}},
        {"E", {14, 'e'}},
        {"R", {15, 'r'}},
        {"Y", {16, 'y'}},
        {"T", {17, 't'}},
        {"O", {31, 'o'}},
        {"U", {32, 'u'}},
        {"I", {34, 'i'}},
        {"P", {35, 'p'}},
        {"L", {37, 'l'}},
        {"J", {38, 'j'}},
        {"K", {40, 'k'}},
        {"N", {45, 'n'}},
        {"M", {46, 'm'}},
        {"1", {18, '1'}},
        {"2", {19, '2'}},
        {"3", {20, '3'}},
        {"4", {21, '4'}},
        {"5", {23, '5'}},
        {"6", {22, '6'}},
        {"7", {26, '7'}},
        {"8", {28, '8'}},
        {"9", {25, '9'}},
        {"0", {29, '0'}},
        {"minus", {27, '-'}},
        {"equal", {24, '='}},
        {"left bracket", {33, '['}},
        {"right bracket", {30, ']'}},
        {"semicolon", {41, ';'}},
        {"quote", {39, '\''}},
        {"grave", {50, '`'}},
        {"backslash", {42, '\\'}},
        {"comma", {43, ','}},
        {"period", {47, '.'}},
        {"slash", {44, '/'}},
        {"ISO key beside Shift", {10, '<'}},
        {"space", {49, ' '}},
        {"return", {36, 0xff0d}},
        {"tab", {48, 0xff09}},
        {"escape", {53, 0xff1b}},
        {"backspace", {51, 0xff08}},
        {"delete", {117, 0xffff}},
        {"insert", {114, 0xff63}},
        {"home", {115, 0xff50}},
        {"end", {119, 0xff57}},
        {"page up", {116, 0xff55}},
        {"page down", {121, 0xff56}},
        {"left", {123, 0xff51}},
        {"up", {126, 0xff52}},
        {"right", {124, 0xff53}},
        {"down", {125, 0xff54}},
        {"F1", {122, 0xffbe}},
        {"F2", {120, 0xffbf}},
        {"F3", {99, 0xffc0}},
        {"F4", {118, 0xffc1}},
        {"F5", {96, 0xffc2}},
        {"F6", {97, 0xffc3}},
        {"F7", {98, 0xffc4}},
        {"F8", {100, 0xffc5}},
        {"F9", {101, 0xffc6}},
        {"F10", {109, 0xffc7}},
        {"F11", {103, 0xffc8}},
        {"F12", {111, 0xffc9}},
        {"keypad 0", {82, 0xff9e}},
        {"keypad 1", {83, 0xff9c}},
        {"keypad 2", {84, 0xff99}},
        {"keypad 3", {85, 0xff9b}},
        {"keypad 4", {86, 0xff96}},
        {"keypad 5", {87, 0xff9d}},
        {"keypad 6", {88, 0xff98}},
        {"keypad 7", {89, 0xff95}},
        {"keypad 8", {91, 0xff97}},
        {"keypad 9", {92, 0xff9a}},
        {"keypad decimal", {65, 0xff9f}},
        {"keypad multiply", {67, 0xffaa}},
        {"keypad plus", {69, 0xffab}},
        {"keypad minus", {78, 0xffad}},
        {"keypad divide", {75, 0xffaf}},
        {"keypad enter", {76, 0xff8d}},
        {"keypad equals", {81, 0xffbd}},
    };
    for (const auto& [name, codes] : keys)
        QTest::newRow(name) << codes.first << codes.second;
}

void tst_KeyCodeTable::physicalKeyMatchesKeymap() {
    QFETCH(quint32, macKeyCode);
    QFETCH(quint32, keysym);

    const std::optional<quint32> x11 = KeyCodeTable::x11FromMac(macKeyCode);

    QVERIFY(x11);
    QCOMPARE(quint32(xcb_key_symbols_get_keysym(m_symbols, xcb_keycode_t(*x11), 0)), keysym);
}

void tst_KeyCodeTable::everyFunctionKeyAndTheDefaultsHaveAnX11Key() {
    QList<quint32> codes = KeyCombo::functionKeys().keys();
    codes << KeyCombo::namedKeys().keys() << 25 << 28 << 29 << 53;

    for (quint32 code : codes)
        QVERIFY2(KeyCodeTable::x11FromMac(code), QByteArray::number(code).constData());
}

void tst_KeyCodeTable::tableIsOneToOne() {
    int mapped = 0;

    for (quint32 mac = 0; mac < 256; ++mac) {
        const std::optional<quint32> x11 = KeyCodeTable::x11FromMac(mac);
        if (!x11)
            continue;
        ++mapped;
        QCOMPARE(KeyCodeTable::macFromX11(*x11), std::optional<quint32>(mac));
    }

    QVERIFY(mapped >= 100);
    QCOMPARE(KeyCodeTable::macFromX11(107), std::optional<quint32>()); // Print, no Mac key
}

void tst_KeyCodeTable::modifierMasks_data() {
    QTest::addColumn<quint32>("mac");
    QTest::addColumn<quint16>("x11");

    QTest::newRow("command is Ctrl") << KeyCombo::command << quint16(4);
    QTest::newRow("shift is Shift") << KeyCombo::shift << quint16(1);
    QTest::newRow("option is Alt") << KeyCombo::option << quint16(8);
    QTest::newRow("control is Super") << KeyCombo::control << quint16(64);
    QTest::newRow("the default Shift+Ctrl") << 768u << quint16(5);
    QTest::newRow("all four") << 6912u << quint16(77);
}

void tst_KeyCodeTable::modifierMasks() {
    QFETCH(quint32, mac);
    QFETCH(quint16, x11);

    QCOMPARE(KeyCodeTable::x11Modifiers(mac), x11);
    QCOMPARE(KeyCodeTable::macModifiersFromX11(x11), mac);
    QCOMPARE(
        KeyCodeTable::macModifiersFromX11(x11 | KeyCodeTable::lockMask | KeyCodeTable::mod2Mask),
        mac);
}

QTEST_MAIN(tst_KeyCodeTable)
#include "tst_KeyCodeTable.moc"
