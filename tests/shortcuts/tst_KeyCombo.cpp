// Shortcuts as the recorder builds them, the text the user sees for them and their stored form.
#include "shortcuts/KeyCombo.h"

#include <QTest>

namespace {

// "keyCode/modifiers display", or empty for no combo.
QString describe(const std::optional<KeyCombo>& combo) {
    return combo ? u"%1/%2 %3"_qs.arg(combo->keyCode).arg(combo->modifiers).arg(combo->display)
                 : QString();
}

} // namespace

class tst_KeyCombo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What the recorder passes on from a key press: the X11 keycode, Qt's modifiers and the key's
    // unmodified text.
    void event_data() {
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        using M = Qt::KeyboardModifier;
        const auto row = [](const char* name, quint32 scanCode, Qt::KeyboardModifiers modifiers,
                            const char* text, const char* expected) {
            QTest::newRow(name) << scanCode << modifiers << QString::fromUtf8(text)
                                << QString::fromUtf8(expected);
        };

        row("X11 keycode 18 is the 9 key", 18, M::ControlModifier | M::ShiftModifier, "9",
            "25/768 Shift+Ctrl+9");
        row("Ctrl and space read Espacio", 65, M::ControlModifier, " ", "49/256 Ctrl+Espacio");
        row("Shift with a function key is valid", 71, M::ShiftModifier, "", "96/512 Shift+F5");
        row("all four modifiers in fixed order", 17,
            M::ShiftModifier | M::ControlModifier | M::MetaModifier | M::AltModifier, "8",
            "28/6912 Super+Alt+Shift+Ctrl+8");
        row("Meta is Super, the keypad flag is ignored", 113,
            M::MetaModifier | M::AltModifier | M::KeypadModifier, "", "123/6144 Super+Alt+←");
        row("key without text is named ?", 94, M::ControlModifier, "", "10/256 Ctrl+?");
        row("Shift and a letter is refused", 38, M::ShiftModifier, "a", "");
        row("9 alone is refused", 18, {}, "9", "");
        row("unnamed key typing a blank is refused", 49, M::ControlModifier, " ", "");
        row("key outside the table is refused", 107, M::ControlModifier, "", "");
    }

    void event() {
        QFETCH(quint32, scanCode);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);

        QTEST(describe(KeyCombo::event(scanCode, modifiers, text)), "expected");
    }

    void fromJson_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        const auto refused = [](const char* name, const char* json) {
            QTest::newRow(name) << QByteArray(json) << QString();
        };

        QTest::newRow("members in any order, unknown ones ignored")
            << QByteArray(R"({"display":"F13","modifiers":0,"keyCode":105,"extra":1})")
            << u"105/0 F13"_qs;
        refused("not JSON", "not json");
        refused("display missing", R"({"keyCode":25,"modifiers":768})");
        refused("keyCode as text", R"({"keyCode":"25","modifiers":768,"display":"x"})");
        refused("keyCode beyond 32 bits",
                R"({"keyCode":4294967296,"modifiers":768,"display":"x"})");
    }

    void fromJson() {
        QFETCH(QByteArray, json);

        QTEST(describe(KeyCombo::fromJson(json)), "expected");
    }
};

QTEST_APPLESS_MAIN(tst_KeyCombo)
#include "tst_KeyCombo.moc"
