// The read-only settings window: each action's shortcut as stored, refused shortcuts, and the
// save folder with the home folder written as ~.
#include "app/SettingsOverview.h"
#include "settings/Prefs.h"
#include "shortcuts/FakeHotKeyBackend.h"
#include "shortcuts/HotKeyCenter.h"

#include <QSettings>
#include <QTest>

class tst_SettingsOverview : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void showingReadsTheSettingsAndRefusalsAgain();

private:
    FakeHotKeyBackend* m_hotKeys = nullptr;
};

void tst_SettingsOverview::initTestCase() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Brindlecap"_qs, u"Brindlecap"_qs)
        .clear();
    auto fake = std::make_unique<FakeHotKeyBackend>();
    m_hotKeys = fake.get();
    HotKey::useBackend(std::move(fake));
    HotKeyCenter::shared().reload();
}

void tst_SettingsOverview::showingReadsTheSettingsAndRefusalsAgain() {
    SettingsOverview window;
    window.show();
    const QStringList first{window.shortcutText(CaptureAction::area),
                            window.shortcutText(CaptureAction::recents), window.folderText()};
    const bool warnedFirst = window.isWarningShown();
    window.hide();

    Prefs::setCombo(std::nullopt, CaptureAction::recents);
    Prefs::setCombo(KeyCombo{105, 0, u"F13"_qs}, CaptureAction::area);
    Prefs::setSaveFolder(u"/srv/capturas"_qs);
    m_hotKeys->refused = {{105, 0}, {28, 768}};
    HotKeyCenter::shared().reload();
    window.show();

    QCOMPARE(first,
             (QStringList{"Shift+Ctrl+9", "Shift+Ctrl+0", "Carpeta: ~/Pictures/Brindlecap"}));
    QVERIFY(!warnedFirst);
    QCOMPARE(window.shortcutText(CaptureAction::area), u"F13"_qs);
    QCOMPARE(window.shortcutText(CaptureAction::recents), u"Sin atajo"_qs);
    QCOMPARE(window.folderText(), u"Carpeta: /srv/capturas"_qs);
    QCOMPARE(window.warningText(),
             u"No se pudo registrar el atajo de: Capturar pantalla completa, Capturar área. "
             "Probablemente lo usa otra app; elige otra combinación."_qs);
}

QTEST_MAIN(tst_SettingsOverview)
#include "tst_SettingsOverview.moc"
