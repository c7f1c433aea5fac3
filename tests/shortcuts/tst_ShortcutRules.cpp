// Shortcut rules: the recorder's key presses, combos from JSON, desktop advice, portal trigger
// names.
#include "shortcuts/DesktopShortcuts.h"
#include "shortcuts/KeyCombo.h"
#include "shortcuts/ShortcutRecorder.h"

#include <QTest>

namespace {

// "keyCode/modifiers display", or empty for no combo.
QString describe(const std::optional<KeyCombo>& combo) {
    return combo ? u"%1/%2 %3"_qs.arg(combo->keyCode).arg(combo->modifiers).arg(combo->display)
                 : QString();
}

} // namespace

Q_DECLARE_METATYPE(HotKeyService)

class tst_ShortcutRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a key press does to a recording shortcut recorder: the X11 keycode, Qt's modifiers and
    // the key's unmodified text make a shortcut (its stored form and the text the user sees), or
    // cancel, clear or are refused.
    void interpret_data() {
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

        row("Shift+Ctrl+5 is key code 23 with modifiers 768", 14,
            M::ShiftModifier | M::ControlModifier, "5", "accept 23/768 Shift+Ctrl+5");
        row("Ctrl and space read Espacio", 65, M::ControlModifier, " ",
            "accept 49/256 Ctrl+Espacio");
        row("Shift with a function key is valid", 71, M::ShiftModifier, "",
            "accept 96/512 Shift+F5");
        row("all four modifiers in fixed order", 17,
            M::ShiftModifier | M::ControlModifier | M::MetaModifier | M::AltModifier, "8",
            "accept 28/6912 Super+Alt+Shift+Ctrl+8");
        row("Meta is Super, the keypad flag is ignored", 113,
            M::MetaModifier | M::AltModifier | M::KeypadModifier, "",
            "accept 123/6144 Super+Alt+←");
        row("key without text is named ?", 94, M::ControlModifier, "", "accept 10/256 Ctrl+?");
        row("Shift and a letter is refused", 38, M::ShiftModifier, "a", "refuse");
        row("9 alone is refused", 18, {}, "9", "refuse");
        row("unnamed key typing a blank is refused", 49, M::ControlModifier, " ", "refuse");
        row("key outside the table is refused", 107, M::ControlModifier, "", "refuse");
        row("Backspace alone clears", 22, {}, "", "clear");
        row("Escape alone cancels", 9, {}, "", "cancel");
        row("Shift+Escape neither cancels nor makes a shortcut", 9, M::ShiftModifier, "", "refuse");
    }

    void interpret() {
        QFETCH(quint32, scanCode);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);

        const auto [kind, combo] = ShortcutRecorder::interpret(scanCode, modifiers, text);

        const char* kinds[] = {"cancel", "clear", "refuse", "accept"};
        QTEST((QString::fromLatin1(kinds[kind]) + u' ' + describe(combo)).trimmed(), "expected");
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

    // When the user is told to bind the command lines in the desktop instead, and how stored
    // combinations are named to the GlobalShortcuts portal.
    void adviceNeeded_data() {
        QTest::addColumn<bool>("wayland");
        QTest::addColumn<HotKeyService>("service");
        QTest::addColumn<int>("refused");
        QTest::addColumn<int>("total");
        QTest::addColumn<bool>("needed");
        const auto row = [](const char* name, bool wayland, HotKeyService service, int refused,
                            int total, bool needed) {
            QTest::newRow(name) << wayland << service << refused << total << needed;
        };

        row("X11 clashes are reported one by one, not as advice", false, HotKeyService::x11, 3, 3,
            false);
        row("no desktop at all (offscreen) has nothing to bind in", false, HotKeyService::none, 3,
            3, false);
        row("Wayland without a portal, even with no shortcut set", true, HotKeyService::none, 0, 0,
            true);
        row("Wayland portal that refused one key of three", true, HotKeyService::portal, 1, 3,
            false);
        row("Wayland portal that refused every key", true, HotKeyService::portal, 3, 3, true);
        row("Wayland portal with no shortcut set", true, HotKeyService::portal, 0, 0, false);
    }

    void adviceNeeded() {
        QFETCH(bool, wayland);
        QFETCH(HotKeyService, service);
        QFETCH(int, refused);
        QFETCH(int, total);

        QTEST(DesktopShortcuts::adviceNeeded(wayland, service, refused, total), "needed");
    }

    void portalTrigger_data() {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("trigger");
        const auto row = [](const char* name, quint32 keyCode, quint32 modifiers,
                            const char* trigger) {
            QTest::newRow(name) << keyCode << modifiers << QString::fromLatin1(trigger);
        };

        row("every modifier in the portal's order", 0,
            KeyCombo::control | KeyCombo::option | KeyCombo::shift | KeyCombo::command,
            "CTRL+ALT+SHIFT+LOGO+a");
        row("a function key alone", 111, 0, "F12");
        row("space by its XKB name", 49, KeyCombo::option, "ALT+space");
        row("a key outside the table", 999, KeyCombo::command, "");
    }

    void portalTrigger() {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);

        QTEST(::portalTrigger(keyCode, modifiers).value_or(QString()), "trigger");
    }
};

QTEST_APPLESS_MAIN(tst_ShortcutRules)
#include "tst_ShortcutRules.moc"
