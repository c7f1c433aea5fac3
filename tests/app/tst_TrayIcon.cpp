// The tray icon on a real X server with a tray host (trayer, started here): it docks, a click
// opens the menu with the current shortcuts, and quitting from the menu ends the program
// cleanly even though the icon is embedded in another client's window.
#include "app/AppDelegate.h"
#include "settings/Prefs.h"

#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

class tst_TrayIcon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void iconDocksInTheTrayHost();
    void clickOpensTheMenuWithTheShortcuts();
    void quitEntryEndsTheProgram();

private:
    QProcess m_trayHost;
};

void tst_TrayIcon::initTestCase() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Brindlecap"),
              QStringLiteral("Brindlecap"))
        .clear();
    m_trayHost.start(QStringLiteral("trayer"),
                     {"--edge", "top", "--align", "left", "--widthtype", "pixel", "--width", "120",
                      "--heighttype", "pixel", "--height", "28"});
    QVERIFY(m_trayHost.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    AppDelegate::shared().buildStatusItem();
}

void tst_TrayIcon::cleanupTestCase() {
    m_trayHost.terminate();
    m_trayHost.waitForFinished();
}

void tst_TrayIcon::iconDocksInTheTrayHost() {
    const QSystemTrayIcon* icon = AppDelegate::shared().statusItem();

    QTRY_VERIFY_WITH_TIMEOUT(icon->geometry().width() > 0, 10000);

    QVERIFY(icon->isVisible());
    QVERIFY(icon->geometry().top() < 28);
}

void tst_TrayIcon::clickOpensTheMenuWithTheShortcuts() {
    Prefs::setCombo(KeyCombo{0, KeyCombo::option | KeyCombo::command, u"Alt+Ctrl+A"_qs},
                    CaptureAction::area);
    const QPoint centre = AppDelegate::shared().statusItem()->geometry().center();
    QMenu* menu = AppDelegate::shared().statusMenu();

    QProcess::execute(QStringLiteral("xdotool"), {"mousemove", QString::number(centre.x()),
                                                  QString::number(centre.y()), "click", "1"});

    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(AppDelegate::shared().captureItem(CaptureAction::area)->text(),
             u"Capturar área\tAlt+Ctrl+A"_qs);
    menu->hide();
}

void tst_TrayIcon::quitEntryEndsTheProgram() {
    QAction* quit = AppDelegate::shared().statusMenu()->actions().constLast();
    QCOMPARE(quit->text(), u"Salir"_qs);
    QTimer::singleShot(0, quit, &QAction::trigger);
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
    guard.start(5000);

    const int status = QCoreApplication::exec();

    QCOMPARE(status, 0);
    // The delegate, and with it the docked icon, goes before the application's own teardown.
    QTRY_VERIFY(QCoreApplication::instance()->findChildren<AppDelegate*>().isEmpty());
}

QTEST_MAIN(tst_TrayIcon)
#include "tst_TrayIcon.moc"
