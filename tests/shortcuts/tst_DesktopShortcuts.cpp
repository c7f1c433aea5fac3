// When the user is told to bind the command lines in the desktop instead, and how stored
// combinations are named to the GlobalShortcuts portal.
#include "shortcuts/DesktopShortcuts.h"
#include "shortcuts/KeyCombo.h"

#include <QTest>

Q_DECLARE_METATYPE(HotKeyService)

class tst_DesktopShortcuts : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        row("Wayland without a shortcut portal", true, HotKeyService::none, 3, 3, true);
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

        row("the default area shortcut", 25, KeyCombo::shift | KeyCombo::command, "CTRL+SHIFT+9");
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

QTEST_APPLESS_MAIN(tst_DesktopShortcuts)
#include "tst_DesktopShortcuts.moc"
