// The read-only settings window: each action's shortcut as stored, refused shortcuts, and the
// save folder with the home folder written as ~.
#include "app/SettingsOverview.h"
#include "settings/Prefs.h"
#include "shortcuts/FakeHotKeyBackend.h"
#include "shortcuts/HotKeyCenter.h"

#include <QDesktopServices>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTest>

class tst_SettingsOverview : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void freshSettingsShowTheDefaults();
    void showingReadsTheSettingsAgain();
    void refusedShortcutsAreNamedInOrder();
    void folderOutsideHomeIsShownInFull();
    void openButtonCreatesAndOpensTheFolder();

public Q_SLOTS:
    void openUrl(const QUrl& url) { m_opened << url; }

private:
    FakeHotKeyBackend* m_hotKeys = nullptr;
    QList<QUrl> m_opened;
};

void tst_SettingsOverview::initTestCase() {
    auto fake = std::make_unique<FakeHotKeyBackend>();
    m_hotKeys = fake.get();
    HotKey::useBackend(std::move(fake));
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
}

void tst_SettingsOverview::init() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
              QStringLiteral("Brindlecap"))
        .clear();
    m_hotKeys->reset();
    HotKeyCenter::shared().reload();
    m_opened.clear();
}

void tst_SettingsOverview::freshSettingsShowTheDefaults() {
    SettingsOverview window;

    window.show();

    QCOMPARE(window.windowTitle(), u"Configuración de Brindlecap"_qs);
    QCOMPARE(window.shortcutText(CaptureAction::area), u"Shift+Ctrl+9"_qs);
    QCOMPARE(window.shortcutText(CaptureAction::fullScreen), u"Shift+Ctrl+8"_qs);
    QCOMPARE(window.shortcutText(CaptureAction::recents), u"Shift+Ctrl+0"_qs);
    QVERIFY(!window.isWarningShown());
    QCOMPARE(window.folderText(), u"Carpeta: ~/Pictures/Brindlecap"_qs);
}

void tst_SettingsOverview::showingReadsTheSettingsAgain() {
    SettingsOverview window;
    window.show();
    window.hide();

    Prefs::setCombo(std::nullopt, CaptureAction::recents);
    Prefs::setCombo(KeyCombo{105, 0, u"F13"_qs}, CaptureAction::area);
    window.show();

    QCOMPARE(window.shortcutText(CaptureAction::area), u"F13"_qs);
    QCOMPARE(window.shortcutText(CaptureAction::recents), u"Sin atajo"_qs);
}

void tst_SettingsOverview::refusedShortcutsAreNamedInOrder() {
    m_hotKeys->refused = {{29, 768}, {28, 768}};
    HotKeyCenter::shared().reload();
    SettingsOverview window;

    window.show();

    QVERIFY(window.isWarningShown());
    QCOMPARE(window.warningText(),
             u"No se pudo registrar el atajo de: Capturar pantalla completa, Capturas recientes. "
             "Probablemente lo usa otra app; elige otra combinación."_qs);
}

void tst_SettingsOverview::folderOutsideHomeIsShownInFull() {
    Prefs::setSaveFolder(u"/srv/capturas"_qs);
    SettingsOverview window;

    window.show();

    QCOMPARE(window.folderText(), u"Carpeta: /srv/capturas"_qs);
}

void tst_SettingsOverview::openButtonCreatesAndOpensTheFolder() {
    const QString folder = QDir::homePath() + u"/Otra/Carpeta"_qs;
    QDir(QDir::homePath() + u"/Otra"_qs).removeRecursively();
    Prefs::setSaveFolder(folder);
    SettingsOverview window;
    window.show();

    window.findChild<QPushButton*>()->click();

    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
}

QTEST_MAIN(tst_SettingsOverview)
#include "tst_SettingsOverview.moc"
